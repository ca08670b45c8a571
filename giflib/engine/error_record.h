// Error record of the library: the per-object error state that every class embeds, the
// thread-local pending error that engine procedures leave for the calling method, and the
// message table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "giflib/engine/error_numbers.h"
#include "giflib/object/pellory_types.h"

namespace pellory::engine {

inline constexpr int32_t kStyleStop = 16;
inline constexpr int32_t kStyleExclamation = 48;

struct PendingEngineError {
  int32_t Number = 0;
  int32_t Style = 0;
  std::string ProcName;
  int32_t SysErrNumber = 0;
  std::string SysErrDescription;
};

// The pending engine error of the calling thread.
PendingEngineError& PendingError();

// Called first by every engine procedure; the name is never restored on return.
void SetProcName(std::string_view name);

// Leaves a failure for the calling method; number 0 means an unexpected failure (2000, 16).
void RecordModuleError(int32_t number, int32_t style);

// Leaves 2104 (a GIF file or temporary image could not be made) for the calling method, with the
// run-time error that the OS error `err` stands for as its detail.
void RecordFileError(int err);

// For catch-all handlers of engine procedures: takes the exception being handled into the
// run-time error record, records 2000 with style 16, then clears the run-time record.
void RecordModuleUnexpected();

// Runs the body of an engine procedure that fails only unexpectedly: records the procedure's
// name first and turns any exception into the pending unexpected failure.
template <class Body>
bool RunProcedure(std::string_view name, Body&& body) {
  SetProcName(name);
  try {
    return body();
  } catch (...) {
    RecordModuleUnexpected();
    return false;
  }
}

// The message text of an error number. Line breaks are CR LF.
std::string MakeErrorMessage(int32_t number, const std::string& methodName, int32_t sysErrNumber,
                             const std::string& sysErrDescription);

inline constexpr const char* kMessageBoxTitle = "Pellory.DLL\u3000エラーメッセージ";

class ErrorState {
 public:
  // Called first by every public method (isMethod true), constructor and destructor (false).
  void BeginCall(std::string_view name, bool isMethod);
  // Records an error; number 0 takes over the pending engine error. With showBox the composed
  // message is shown in a message box.
  void RecordError(int32_t number, int32_t style, bool showBox);
  // RecordError for catch-all handlers: the exception being handled becomes the run-time error.
  void RecordUnexpected(bool showBox);

  bool IsLatched() const { return flag_; }
  int32_t ErrorNumber() const { return number_; }
  int32_t ErrorInfo(Vesk_ErrorInfoType& info) const;
  void ResetError();
  std::string GetErrorMsg(int32_t number) const;
  const std::string& MethodName() const { return methodName_; }
  int16_t CallCount() const { return callCount_; }
  int32_t Style() const { return style_; }

 private:
  bool flag_ = false;
  int32_t number_ = 0;
  int32_t style_ = 0;
  int16_t callCount_ = 0;
  std::string methodName_;
  int32_t sysErrNumber_ = 0;
  std::string sysErrDescription_;
};

}  // namespace pellory::engine
