#include "base/error_report.h"

#include <new>

#include "base/failure.h"

namespace qo {

std::wstring describeException(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const Failure& failure) {
    return failure.description();
  } catch (const std::bad_alloc&) {
    return L"Out of memory.";
  } catch (const std::exception& other) {
    const std::string what = other.what();
    return std::wstring(what.begin(), what.end());
  } catch (...) {
    return L"An unexpected error occurred.";
  }
}

std::wstring location::windowProcedureLocation(std::wstring_view form) {
  return QO_LOCATION_PREFIX + std::wstring(form) + L".WindowProc ";
}

std::wstring errorReportText(std::wstring_view description, std::wstring_view location, int line) {
  std::wstring text(description);
  text += L"\r\n";
  text += location;
  text += L"at line ";
  text += std::to_wstring(line);
  text += L"\r\r";
  text += L"Please email screenshot of this message to ";
  text += kSupportAddress;
  return text;
}

void showErrorReport(MessageBoxes& boxes, std::wstring_view description, std::wstring_view location,
                     int line) {
  boxes.show(errorReportText(description, location, line), kErrorReportTitle,
             kOkOnly | kExclamation);
}

void Guard::report(int line, const std::exception_ptr& error) noexcept {
  try {
    showErrorReport(boxes_, describeException(error), location_, line);
  } catch (...) {
    // A report that cannot be shown must not take the handler down with it.
  }
}

}  // namespace qo
