#pragma once

#include <exception>
#include <string>

namespace qo {

// The two run-time error texts a control's property gives.
inline constexpr wchar_t kInvalidPropertyValue[] = L"Invalid property value";
inline constexpr wchar_t kNotSupported[] = L"Object doesn't support this property or method";

// The one exception type of the program: a failure with a description in plain
// words, which a guarded handler shows in the error report.  Platform layers turn
// their own errors into this at their boundary.
class Failure : public std::exception {
 public:
  explicit Failure(std::wstring description) : description_(std::move(description)) {}
  const std::wstring& description() const noexcept { return description_; }
  const char* what() const noexcept override { return "qo::Failure"; }

 private:
  std::wstring description_;
};

// Text of any exception for the error report.
std::wstring describeException(const std::exception_ptr& error);

}  // namespace qo
