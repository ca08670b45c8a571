#include "giflib/engine/error_record.h"

#include <cerrno>

#include "platform/kernel/err.h"
#include "platform/kernel/message_sink.h"

namespace pellory::engine {

void RecordFileError(int err) {
  const int32_t number =
      (err == ENOENT || err == ENOTDIR) ? platform::kErrPathNotFound : platform::kErrPathFileAccess;
  platform::Err().Set(number, platform::DescribeErr(number));
  RecordModuleError(kErrFile, kStyleStop);
  platform::Err().Clear();
}

PendingEngineError& PendingError() {
  thread_local PendingEngineError pending;
  return pending;
}

void SetProcName(std::string_view name) {
  try {
    PendingError().ProcName.assign(name);
  } catch (...) {
  }
}

void RecordModuleError(int32_t number, int32_t style) {
  try {
    PendingEngineError& p = PendingError();
    const platform::ErrRecord& err = platform::Err();
    if (err.Number >= 1) {
      p.SysErrNumber = err.Number;
      p.SysErrDescription = err.Description;
    } else {
      p.SysErrNumber = 0;
      p.SysErrDescription.clear();
    }
    if (number == 0) {
      number = kErrUnexpected;
      style = kStyleStop;
    }
    p.Number = number;
    p.Style = style;
  } catch (...) {
  }
}

void RecordModuleUnexpected() {
  platform::Err().SetFromCurrentException();
  RecordModuleError(0, kStyleStop);
  platform::Err().Clear();
}

void ErrorState::BeginCall(std::string_view name, bool isMethod) {
  if (flag_) {
    if (callCount_ < 1000) ++callCount_;
    return;
  }
  try {
    if (isMethod) methodName_.assign(name);
  } catch (...) {
  }
  callCount_ = 0;
}

void ErrorState::RecordError(int32_t number, int32_t style, bool showBox) {
  try {
    const platform::ErrRecord& err = platform::Err();
    if (err.Number >= 1) {
      sysErrNumber_ = err.Number;
      sysErrDescription_ = err.Description;
    } else {
      sysErrNumber_ = 0;
      sysErrDescription_.clear();
    }
    if (number == 0) {
      PendingEngineError& p = PendingError();
      if (p.Number != 0) {
        number = p.Number;
        style = p.Style;
        methodName_ += "(" + p.ProcName + ")";
        sysErrNumber_ = p.SysErrNumber;
        sysErrDescription_ = p.SysErrDescription;
        p = PendingEngineError{};
      } else {
        number = kErrUnexpected;
        style = kStyleStop;
      }
    }
  } catch (...) {
  }
  number_ = number;
  style_ = style;
  flag_ = true;
  if (!showBox) return;
  try {
    std::string text = MakeErrorMessage(number_, methodName_, sysErrNumber_, sysErrDescription_) +
                       "\r\n\r\n<Method Name : " + methodName_ + ">";
    platform::ShowMessageBox(text, style_, kMessageBoxTitle);
  } catch (...) {
  }
}

void ErrorState::RecordUnexpected(bool showBox) {
  platform::Err().SetFromCurrentException();
  RecordError(kErrUnexpected, kStyleStop, showBox);
  platform::Err().Clear();
}

int32_t ErrorState::ErrorInfo(Vesk_ErrorInfoType& info) const {
  info.SysErrNumber = sysErrNumber_;
  info.MsgMode = style_;
  info.ErrorCallCount = callCount_;
  info.MethodName = methodName_;
  return number_;
}

void ErrorState::ResetError() {
  flag_ = false;
  number_ = 0;
  style_ = 0;
  callCount_ = 0;
  sysErrNumber_ = 0;
  sysErrDescription_.clear();
}

std::string ErrorState::GetErrorMsg(int32_t number) const {
  try {
    return MakeErrorMessage(number, methodName_, sysErrNumber_, sysErrDescription_);
  } catch (...) {
    return {};
  }
}

}  // namespace pellory::engine
