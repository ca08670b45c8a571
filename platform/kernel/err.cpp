#include "platform/kernel/err.h"

#include <exception>
#include <new>

namespace platform {

std::string DescribeErr(int32_t number) {
  switch (number) {
    case kErrInvalidCall:
      return "Invalid procedure call or argument";
    case kErrOverflow:
      return "Overflow";
    case kErrOutOfMemory:
      return "Out of memory";
    case kErrSubscript:
      return "Subscript out of range";
    case kErrDivisionByZero:
      return "Division by zero";
    case kErrFileNotFound:
      return "File not found";
    case kErrPathFileAccess:
      return "Path/File access error";
    case kErrPathNotFound:
      return "Path not found";
    case kErrObjectNotSet:
      return "Object variable or With block variable not set";
    case kErrInvalidProperty:
      return "Invalid property value";
    case kErrCannotCreateObject:
      return "ActiveX component can't create object";
    case kErrInvalidPicture:
      return "Invalid picture";
    case kErrDuplicateControl:
      return "There is already a control with that name";
    case kErrControlNotFound:
      return "Control not found";
    default:
      return {};
  }
}

namespace {
std::string DescriptionOr(int32_t number, const std::string& description) {
  return description.empty() ? DescribeErr(number) : description;
}
}  // namespace

RuntimeError::RuntimeError(int32_t number, const std::string& description)
    : std::runtime_error(DescriptionOr(number, description)),
      number_(number),
      description_(DescriptionOr(number, description)) {}

void ErrRecord::SetFromCurrentException() {
  try {
    throw;
  } catch (const RuntimeError& e) {
    Set(e.Number(), e.Description());
  } catch (const std::bad_alloc&) {
    Set(kErrOutOfMemory, DescribeErr(kErrOutOfMemory));
  } catch (const std::overflow_error& e) {
    Set(kErrOverflow, DescribeErr(kErrOverflow));
  } catch (const std::out_of_range&) {
    Set(kErrSubscript, DescribeErr(kErrSubscript));
  } catch (const std::exception& e) {
    Set(kErrInvalidCall, e.what());
  } catch (...) {
    Set(kErrInvalidCall, DescribeErr(kErrInvalidCall));
  }
}

ErrRecord& Err() {
  thread_local ErrRecord record;
  return record;
}

}  // namespace platform
