#pragma once

#include <string>
#include <string_view>

#include "base/services.h"

namespace qo {

// Where users send the screenshot of an error report.
inline constexpr std::wstring_view kSupportAddress = L"support@quillmark-orvane.example";

inline constexpr std::wstring_view kErrorReportTitle = L"Application Error";

// Location texts of the guarded handlers: "in QuillmarkOrvane2021/08/31.<form>.<handler> ".
#define QO_LOCATION_PREFIX L"in QuillmarkOrvane2021/08/31."
namespace location {
inline constexpr std::wstring_view kForm1Load = QO_LOCATION_PREFIX L"Form1.Form_Load ";
inline constexpr std::wstring_view kForm1StartDrawing =
    QO_LOCATION_PREFIX L"Form1.PushButton2_Click ";
inline constexpr std::wstring_view kForm2Load = QO_LOCATION_PREFIX L"Form2.Form_Load ";
inline constexpr std::wstring_view kForm2MouseDown = QO_LOCATION_PREFIX L"Form2.Form_MouseDown ";
inline constexpr std::wstring_view kForm2MouseMove = QO_LOCATION_PREFIX L"Form2.Form_MouseMove ";

// The location an error report names for a failure that no guarded handler
// caught: "in QuillmarkOrvane2021/08/31.<form>.WindowProc ".
std::wstring windowProcedureLocation(std::wstring_view form);
}  // namespace location

std::wstring errorReportText(std::wstring_view description, std::wstring_view location, int line);

void showErrorReport(MessageBoxes& boxes, std::wstring_view description, std::wstring_view location,
                     int line);

// Runs a handler's numbered statements: a statement that fails is reported with
// the handler's location and its number, and the next statement runs.  A failed
// statement is never retried.
class Guard {
 public:
  Guard(MessageBoxes& boxes, std::wstring_view location) : boxes_(boxes), location_(location) {}

  template <class Statement>
  void step(int line, Statement&& statement) noexcept {
    try {
      statement();
    } catch (...) {
      report(line, std::current_exception());
    }
  }

 private:
  void report(int line, const std::exception_ptr& error) noexcept;

  MessageBoxes& boxes_;
  std::wstring_view location_;
};

}  // namespace qo
