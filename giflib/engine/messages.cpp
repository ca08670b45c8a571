// The message table: one text per error number, built from sentences, a closing sentence and,
// for engine failures, the run-time error details.
#include <string>

#include "giflib/engine/error_record.h"

namespace pellory::engine {

namespace {

constexpr const char* kBr = "\r\n";
constexpr const char* kBr2 = "\r\n\r\n";

constexpr const char* kClosingA = "Pellory.DLLの使用方法に誤りがあります。";
constexpr const char* kClosingB = "Pellory.DLLの使用方法に誤りがあるか、Pellory.DLLのバグです。";
constexpr const char* kClosingC =
    "VBランタイムのバージョンまたはPellory.DLLの使用方法を検討して下さい。";
constexpr const char* kClosingD = "Pellory.DLLでは扱えません。";
// Ends with a half-width ideographic full stop and one space.
constexpr const char* kClosingE =
    "VBランタイムのバージョンまたはPellory.DLLのセットアップが完全ではないか、"
    "Pellory.DLLの使用方法に誤りがあります。\r\n\r\n"
    "また、システムに重大な障害が発生している可能性があります\uFF61 ";

constexpr const char* kUnknown = "不明なエラーです。";

std::string Detail(int32_t sysErrNumber, const std::string& sysErrDescription) {
  return std::string("エラーの内容は次の通り、") + kBr2 +
         "Err.Number = " + std::to_string(sysErrNumber) + kBr +
         "Err.Description = " + sysErrDescription;
}

std::string Join(const std::string& sentence, const char* closing) {
  return sentence + kBr2 + closing;
}

}  // namespace

std::string MakeErrorMessage(int32_t number, const std::string& methodName, int32_t sysErrNumber,
                             const std::string& sysErrDescription) {
  auto withDetail = [&](const std::string& s) {
    return s + kBr2 + Detail(sysErrNumber, sysErrDescription);
  };
  const std::string inconsistent = "クラスプロパティ相関エラー";
  switch (number) {
    case kErrNone:
      return "エラーはありません。";
    case kErrBmpCompression:
      return Join("想定していないCompressionが現れました。", kClosingC);
    case kErrBmpBitCount:
      return Join("想定していないBitCountが現れました。", kClosingC);
    case kErrBmpColoursUsed:
      return Join("想定していないカラーパレット(ClrUsed)が現れました。", kClosingC);
    case kErrInvalidImage:
      return "イメージが無効です。";
    case kErrTempFileMissing:
      return Join("作成したはずのテンポラリファイルがありません。", kClosingB);
    case kErrHalftone:
      return Join("減色のためのハーフトーンパレットが取得できませんでした。", kClosingD);
    case kErrUnexpected:
      return withDetail(
          Join(methodName + "メソッド（プロパティ）でエラーが発生しました。", kClosingB));
    case kErrEmptyPicture:
      return Join("空（から）のピクチャーが渡されました。", kClosingB);
    case kErrPictureSet:
      return Join(std::string("(Picture)") + kBr2 + "Property Set(Let)でエラーが発生しました。",
                  kClosingB);
    case kErrTempFileName:
      return Join("テンポラリファイル名が取得できませんでした。", kClosingB);
    case kErrTempImage:
      return Join("テンポラリイメージが作成できませんでした。", kClosingC);
    case kErrLzw:
      return withDetail(Join("ビットマップデータの（無）圧縮変換に失敗しました。", kClosingB));
    case kErrHeader:
      return withDetail(Join("テンポラリファイルのヘッダーが編集不能です。", kClosingB));
    case kErrFile:
      return withDetail(
          Join("GIFファイルまたはGIFテンポラリイメージが作成できませんでした。", kClosingB));
    case kErrPictureArgumentEmpty:
      return Join("メソッドで渡されたPictureオブジェクトが空です。", kClosingA);
    case kErrNoPicture:
      return Join("Set(Base)Pictureメソッドによって有効なPictureが設定されていません。", kClosingA);
    case kErrTempPathMissing:
      return Join(inconsistent + kBr2 + "TempPathMode=UserCustomなのにTempPathの指定がありません。",
                  kClosingA);
    case kErrTempPathFolderMissing:
      return Join(inconsistent + kBr2 + "TempPathで指定したフォルダがありません。", kClosingA);
    case kErrInhibitOnMdi:
      return Join("InhibitFlickersメソッド(Effect=True)はMDIフォームには使用できません。",
                  kClosingA);
    case kErrInhibitOnOther:
      return Join(
          "InhibitFlickersメソッド(Effect=True)はフォームまたはピクチャボックス以外には使用できま"
          "せん。",
          kClosingA);
    case kErrReleaseOnMdi:
      return Join("InhibitFlickersメソッド(Effect=False)はMDIフォームには使用できません。",
                  kClosingA);
    case kErrReleaseOnOther:
      return Join(
          "InhibitFlickersメソッド(Effect=False)はフォームまたはピクチャボックス以外には使用でき"
          "ません。",
          kClosingA);
    case kErrFolderMissing:
      return Join("指定されたフォルダがありません。", kClosingA);
    case kErrFileExists:
      return Join("指定されたファイルはすでに存在しています。", kClosingA);
    case kErrFileNameMissing:
      return Join("ファイル名を指定してください。", kClosingA);
    case kErrFileNameInvalid:
      return Join("ファイル名が名前付け規則に従っていません。", kClosingA);
    case kErrBackIndexOutside:
      return Join("指定された背景色インデックスはカラーパレットにありません。", kClosingA);
    case kErrTransIndexOutside:
      return Join("指定された透過色インデックスはカラーパレットにありません。", kClosingA);
    case kErrPaletteSize:
      return Join(std::string("変更するカラーパレットの配列は内部のパレット数と同じでなければなり"
                              "ません。") +
                      kBr2 + "PaletteSizeプロパティを参照してください。",
                  kClosingA);
    case kErrPaletteType:
      return Join("カラーパレットの配列のデータ型が違うか、固定配列を使用しました。", kClosingA);
    case kErrTooManyControls:
      return Join("対象とされたフォームのコントロール数が多過ぎる可能性があります。", kClosingA);
    case kErrDummyControlFailed:
      return Join("対象とされたフォームのコントロール数が多過ぎる可能性があります。", kClosingE);
    case kErrInhibitOveruse:
      return Join(
          "InhibitFlickersメソッド(Effect=True)の使いすぎにより、対象とされたフォームのコントロ"
          "ール数が多過ぎる可能性があります。",
          kClosingE);
    case kErrResultTooLarge:
      return Join("加工後のイメージのサイズがGifの規格外です。", kClosingD);
    case kErrTrimRange:
      return Join("トリミング（ピクセル）の指定に誤りがあります。", kClosingA);
    case kErrMarginRange:
      return Join("追加するマージン（ピクセル）の指定に誤りがあります。", kClosingA);
    case kErrOverlayControls:
      return Join("OverLayクラスに使用するフォームのコントロール数が多過ぎる可能性があります。",
                  kClosingA);
    case kErrOverlayControlFailed:
      return Join("OverLayクラスに使用するフォームのコントロール数が多過ぎる可能性があります。",
                  kClosingE);
    case kErrSourceTooLarge:
      return Join("渡されたイメージのサイズがGifの規格外です。", kClosingD);
    case kErrEmptyString:
      return Join("メソッドで渡されたStringが空です。", kClosingA);
    case kErrTooManyLines:
      return Join("メソッドで渡されたStringの行数が多すぎます。", kClosingD);
    case kErrOver256Colors:
      return std::string("対象のイメージは２５６色を超えています。") + kBr2 +
             "HandleOver256Colorプロパティを<True>に設定してください。" + kBr2 + "このままでは、" +
             kClosingD;
    case kErrNoFrames:
      return Join(
          "アニメーションにフレームがありません。AddFrameメソッドでフレームを追加してくだ"
          "さい。",
          kClosingA);
    case kErrDelayRange:
      return Join("表示時間（1/100秒）は0から65535までで指定してください。", kClosingA);
    case kErrLoopRange:
      return Join("繰り返し回数は0から65535までで指定してください。", kClosingA);
    default:
      return kUnknown;
  }
}

}  // namespace pellory::engine
