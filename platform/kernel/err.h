// The run-time error record of the platform layer: the number and description of the failure
// that is being handled on this thread, and the exception that carries them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

// Classic run-time error numbers.
enum ErrNumber : int32_t {
  kErrInvalidCall = 5,
  kErrOverflow = 6,
  kErrOutOfMemory = 7,
  kErrSubscript = 9,
  kErrDivisionByZero = 11,
  kErrFileNotFound = 53,
  kErrPathFileAccess = 75,
  kErrPathNotFound = 76,
  kErrObjectNotSet = 91,
  kErrInvalidProperty = 380,
  kErrCannotCreateObject = 429,
  kErrInvalidPicture = 481,
  kErrDuplicateControl = 727,
  kErrControlNotFound = 730,
};

// The standard description of a classic number ("" for unknown numbers).
std::string DescribeErr(int32_t number);

class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(int32_t number, const std::string& description = {});
  int32_t Number() const { return number_; }
  const std::string& Description() const { return description_; }

 private:
  int32_t number_;
  std::string description_;
};

// Thread-local record of the run-time error being handled (0 = none).
struct ErrRecord {
  int32_t Number = 0;
  std::string Description;
  void Clear() {
    Number = 0;
    Description.clear();
  }
  void Set(int32_t number, std::string description) {
    Number = number;
    Description = std::move(description);
  }
  // Fills the record from the exception being handled; call only inside a catch block.
  void SetFromCurrentException();
};

ErrRecord& Err();

}  // namespace platform
