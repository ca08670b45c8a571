#include "giflib/engine/error_record.h"

#include <gtest/gtest.h>

#include "giflib/engine/conversions.h"
#include "platform/dialogs/message_box.h"
#include "platform/kernel/err.h"

namespace pellory::engine {
namespace {

TEST(ErrorMessages, NoErrorAndUnknownNumbers) {
  EXPECT_EQ(MakeErrorMessage(0, "X", 0, ""), "エラーはありません。");
  EXPECT_EQ(MakeErrorMessage(2001, "X", 0, ""), "不明なエラーです。");
  EXPECT_EQ(MakeErrorMessage(2002, "X", 0, ""), "不明なエラーです。");
  EXPECT_EQ(MakeErrorMessage(9999, "X", 0, ""), "不明なエラーです。");
  EXPECT_EQ(MakeErrorMessage(1004, "X", 0, ""), "イメージが無効です。");
}

TEST(ErrorMessages, UnexpectedFailureNamesMethodAndRuntimeDetail) {
  std::string m = MakeErrorMessage(2000, "SaveGifPicture(MakeGifFile)", 6, "Overflow");
  EXPECT_EQ(m,
            "SaveGifPicture(MakeGifFile)メソッド（プロパティ）でエラーが発生しました。\r\n\r\n"
            "Pellory.DLLの使用方法に誤りがあるか、Pellory.DLLのバグです。\r\n\r\n"
            "エラーの内容は次の通り、\r\n\r\nErr.Number = 6\r\nErr.Description = Overflow");
}

TEST(ErrorMessages, ClosingsOfEachKind) {
  EXPECT_EQ(MakeErrorMessage(1000, "", 0, ""),
            "想定していないCompressionが現れました。\r\n\r\n"
            "VBランタイムのバージョンまたはPellory.DLLの使用方法を検討して下さい。");
  EXPECT_EQ(
      MakeErrorMessage(3003, "", 0, ""),
      "クラスプロパティ相関エラー\r\n\r\nTempPathMode=UserCustomなのにTempPathの指定がありませ"
      "ん。\r\n\r\nPellory.DLLの使用方法に誤りがあります。");
  EXPECT_EQ(MakeErrorMessage(3020, "", 0, ""),
            "加工後のイメージのサイズがGifの規格外です。\r\n\r\nPellory.DLLでは扱えません。");
  // Closing E ends with a half-width ideographic full stop and a space.
  std::string e = MakeErrorMessage(3018, "", 0, "");
  EXPECT_EQ(e.substr(e.size() - 4), "\uFF61 ");
  EXPECT_NE(e.find("\r\n\r\nまた、システムに重大な障害"), std::string::npos);
  EXPECT_EQ(MakeErrorMessage(3028, "", 0, ""),
            "対象のイメージは２５６色を超えています。\r\n\r\n"
            "HandleOver256Colorプロパティを<True>に設定してください。\r\n\r\n"
            "このままでは、Pellory.DLLでは扱えません。");
  EXPECT_EQ(MakeErrorMessage(2104, "M", 75, "Path/File access error"),
            "GIFファイルまたはGIFテンポラリイメージが作成できませんでした。\r\n\r\n"
            "Pellory.DLLの使用方法に誤りがあるか、Pellory.DLLのバグです。\r\n\r\n"
            "エラーの内容は次の通り、\r\n\r\nErr.Number = 75\r\nErr.Description = Path/File access "
            "error");
}

TEST(ErrorMessages, EveryTableNumberHasItsOwnText) {
  const int numbers[] = {1000, 1001, 1002, 1004, 1005, 1006, 2000, 2003, 2004, 2100, 2101,
                         2102, 2103, 2104, 3001, 3002, 3003, 3004, 3005, 3006, 3007, 3008,
                         3009, 3010, 3011, 3012, 3013, 3014, 3015, 3016, 3017, 3018, 3019,
                         3020, 3021, 3022, 3023, 3024, 3025, 3026, 3027, 3028};
  for (int n : numbers) {
    std::string m = MakeErrorMessage(n, "M", 0, "");
    EXPECT_NE(m, "不明なエラーです。") << n;
    EXPECT_EQ(m.find("\n\n"), std::string::npos) << n << ": line breaks must be CR LF";
  }
  // Same sentence, different closings.
  EXPECT_NE(MakeErrorMessage(3017, "", 0, ""), MakeErrorMessage(3018, "", 0, ""));
}

class ErrorStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    boxes_ = std::make_shared<platform::ScriptedMessageBoxes>();
    previous_ = platform::SetMessageBoxBackend(boxes_);
    PendingError() = {};
  }
  void TearDown() override { platform::SetMessageBoxBackend(previous_); }
  std::shared_ptr<platform::ScriptedMessageBoxes> boxes_;
  std::shared_ptr<platform::MessageBoxBackend> previous_;
};

TEST_F(ErrorStateTest, TakesOverPendingEngineErrorWithProcedureName) {
  ErrorState s;
  s.BeginCall("SaveGifPicture", true);
  SetProcName("MakeGifFile");
  RecordModuleError(2104, kStyleStop);
  s.RecordError(0, kStyleExclamation, /*showBox=*/true);
  Vesk_ErrorInfoType info;
  EXPECT_EQ(s.ErrorInfo(info), 2104);
  EXPECT_EQ(info.MsgMode, 16);
  EXPECT_EQ(info.MethodName, "SaveGifPicture(MakeGifFile)");
  EXPECT_EQ(PendingError().Number, 0);
  EXPECT_TRUE(PendingError().ProcName.empty());
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_EQ(boxes_->shown[0].title, "Pellory.DLL\u3000エラーメッセージ");
  EXPECT_EQ(boxes_->shown[0].style, 16);
  const std::string tail = "\r\n\r\n<Method Name : SaveGifPicture(MakeGifFile)>";
  const std::string& text = boxes_->shown[0].text;
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST_F(ErrorStateTest, NothingPendingGives2000WithStopStyle) {
  ErrorState s;
  s.BeginCall("GetStretchPicture", true);
  s.RecordError(0, kStyleExclamation, false);
  EXPECT_EQ(s.ErrorNumber(), 2000);
  EXPECT_EQ(s.Style(), 16);
  EXPECT_EQ(s.MethodName(), "GetStretchPicture");
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(ErrorStateTest, RefusedCallsCountUpTo1000) {
  ErrorState s;
  s.BeginCall("A", true);
  s.RecordError(3002, kStyleExclamation, false);
  for (int i = 0; i < 10; ++i) s.BeginCall("B", true);
  Vesk_ErrorInfoType info;
  s.ErrorInfo(info);
  EXPECT_EQ(info.ErrorCallCount, 10);
  EXPECT_EQ(info.MethodName, "A");
  for (int i = 0; i < 2000; ++i) s.BeginCall("B", true);
  s.ErrorInfo(info);
  EXPECT_EQ(info.ErrorCallCount, 1000);
}

TEST_F(ErrorStateTest, ResetKeepsMethodNameUntilNextCall) {
  ErrorState s;
  s.BeginCall("A", true);
  s.RecordError(3011, kStyleExclamation, false);
  s.BeginCall("B", true);
  s.ResetError();
  Vesk_ErrorInfoType info;
  EXPECT_EQ(s.ErrorInfo(info), 0);
  EXPECT_EQ(info.MethodName, "A");
  EXPECT_EQ(info.ErrorCallCount, 0);
  EXPECT_EQ(info.MsgMode, 0);
  s.BeginCall("C", true);
  s.ErrorInfo(info);
  EXPECT_EQ(info.MethodName, "C");
  s.BeginCall("ctor", false);  // constructors leave the name alone
  s.ErrorInfo(info);
  EXPECT_EQ(info.MethodName, "C");
}

TEST_F(ErrorStateTest, RuntimeFailureIsCapturedIntoDetail) {
  ErrorState s;
  s.BeginCall("GetRGBPicture", true);
  try {
    throw platform::RuntimeError(platform::kErrOverflow);
  } catch (...) {
    SetProcName("Actual_GetRGBPicture");
    RecordModuleUnexpected();
  }
  EXPECT_EQ(platform::Err().Number, 0);
  s.RecordError(0, kStyleExclamation, false);
  Vesk_ErrorInfoType info;
  EXPECT_EQ(s.ErrorInfo(info), 2000);
  EXPECT_EQ(info.SysErrNumber, 6);
  std::string m = s.GetErrorMsg(2000);
  EXPECT_NE(m.find("Err.Number = 6\r\nErr.Description = Overflow"), std::string::npos);
  EXPECT_EQ(s.GetErrorMsg(0), "エラーはありません。");
}

TEST_F(ErrorStateTest, LatchedStateAppendsOneNamePerTakeOver) {
  ErrorState s;
  s.BeginCall("M", true);
  SetProcName("P1");
  RecordModuleError(2102, kStyleStop);
  s.RecordError(0, kStyleExclamation, false);
  SetProcName("P2");
  RecordModuleError(2104, kStyleStop);
  s.RecordError(0, kStyleExclamation, false);
  EXPECT_EQ(s.MethodName(), "M(P1)(P2)");
  EXPECT_EQ(s.ErrorNumber(), 2104);
}

TEST(GlobalModule, NormalizeColor) {
  EXPECT_EQ(NormalizeColor(255), 255);
  EXPECT_EQ(NormalizeColor(0x12345678), 0x345678);
  EXPECT_EQ(NormalizeColor(static_cast<int32_t>(0x80000005u)), 0xFFFFFF);  // window colour
  EXPECT_EQ(NormalizeColor(static_cast<int32_t>(0x80000018u)), 0xE1FFFF);  // tooltip background
  // Not a system colour: split with truncating division of a negative value.
  EXPECT_EQ(NormalizeColor(static_cast<int32_t>(0x80000019u)), 0x19 + 256 * 0x01 + 65536 * 0x01);
}

TEST(GlobalModule, ByteConversions) {
  std::array<uint8_t, 2> w{};
  ASSERT_TRUE(WordToBytes(32767, w));
  EXPECT_EQ(w, (std::array<uint8_t, 2>{0xFF, 0x7F}));
  ASSERT_TRUE(WordToBytes(300, w));
  EXPECT_EQ(w, (std::array<uint8_t, 2>{44, 1}));
  EXPECT_FALSE(WordToBytes(-1, w));
  EXPECT_EQ(ByteToHex(10), "0A");
  EXPECT_EQ(ByteToHex(255), "FF");
  EXPECT_EQ(ColorToBytes(0x0000FF), (std::array<uint8_t, 3>{255, 0, 0}));
}

TEST(GlobalModule, GrayLevelRoundsHalvesToEven) {
  EXPECT_EQ(GetGrayLevel({255, 0, 0}), 76);
  EXPECT_EQ(GetGrayLevel({0, 255, 0}), 150);
  EXPECT_EQ(GetGrayLevel({0, 0, 255}), 29);
  EXPECT_EQ(GetGrayLevel({255, 255, 255}), 255);
  EXPECT_EQ(RoundToInt32(2.5), 2);
  EXPECT_EQ(RoundToInt32(3.5), 4);
  EXPECT_EQ(RoundToInt32(-0.5), 0);
  EXPECT_THROW(RoundToInt16(40000.0), platform::RuntimeError);
}

}  // namespace
}  // namespace pellory::engine
