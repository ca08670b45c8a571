#include "giflib/engine/gif_animation.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

#include "giflib/engine/error_record.h"
#include "giflib/engine/file_utility.h"
#include "giflib/engine/lzw_encoder.h"
#include "platform/kernel/second_lane.h"
#include "platform/kernel/staged_file.h"

namespace pellory::engine {

namespace {

constexpr int32_t kMaxGifDimension = 32767;
constexpr int kDisposeNone = 1, kDisposeBackground = 2;
constexpr uint32_t kClear = 0;  // a screen pixel nothing is drawn on; drawn ones carry 0xFF << 24

bool FrameFits(const AnimationFrame& f, int32_t w, int32_t h) {
  if (!f.picture) return false;
  const Vesk_GifSettingType& s = f.picture->GifSetting;
  return s.biWidth >= 1 && s.biHeight >= 1 && f.left >= 0 && f.top >= 0 &&
         f.left + s.biWidth <= w && f.top + s.biHeight <= h && f.delayCs >= 0 &&
         f.delayCs <= 0xFFFF && f.picture->ColorTable.size() <= 256 &&
         f.picture->BitmapData.size() ==
             static_cast<size_t>(s.biWidth) * static_cast<size_t>(s.biHeight);
}

// One image of the file as it is written.
struct Image {
  int32_t left = 0, top = 0, width = 0, height = 0;
  int disposal = kDisposeBackground;
  int transparent = -1;
  int32_t delayCs = 0;
  std::vector<Vesk_GIFRGBTRIPLE> table;  // a power of two entries covering every index
  std::vector<uint8_t> codes;            // the LZW code stream
};

// The frame's colour table, padded with black to a power of two that covers `highest`.
std::vector<Vesk_GIFRGBTRIPLE> TableCovering(const Vesk_GifPictureType& p, int highest) {
  int size = 2;
  while (size < static_cast<int>(p.ColorTable.size()) || size <= highest) size <<= 1;
  std::vector<Vesk_GIFRGBTRIPLE> table(static_cast<size_t>(size));
  std::copy(p.ColorTable.begin(), p.ColorTable.end(), table.begin());
  return table;
}

int TransparentOf(const Vesk_GifPictureType& p) {
  return p.GifSetting.Transparent == TransOn ? p.GifSetting.TransColorIndex : -1;
}

Image WholeFrame(const AnimationFrame& f) {
  const Vesk_GifPictureType& p = *f.picture;
  Image image;
  image.left = f.left, image.top = f.top;
  image.width = p.GifSetting.biWidth, image.height = p.GifSetting.biHeight;
  image.delayCs = f.delayCs;
  image.transparent = TransparentOf(p);
  const int highest = *std::max_element(p.BitmapData.begin(), p.BitmapData.end());
  image.table = TableCovering(p, std::max(highest, image.transparent));
  EncodeLzw(p.BitmapData.data(), p.BitmapData.size(), LzwMinimumCodeSize(image.table.size()),
            image.codes);
  return image;
}

// What a frame shows on a cleared screen: its colours, kClear where it is transparent.
void Render(const AnimationFrame& f, int32_t screenWidth, std::vector<uint32_t>& screen) {
  std::fill(screen.begin(), screen.end(), kClear);
  const Vesk_GifPictureType& p = *f.picture;
  const int32_t w = p.GifSetting.biWidth, h = p.GifSetting.biHeight;
  const int transparent = TransparentOf(p);
  uint32_t colours[256];
  for (int i = 0; i < 256; ++i) {
    const Vesk_GIFRGBTRIPLE c =
        i < static_cast<int>(p.ColorTable.size()) ? p.ColorTable[i] : Vesk_GIFRGBTRIPLE{};
    colours[i] = i == transparent ? kClear : 0xFF000000u | c.gRed << 16 | c.gGreen << 8 | c.gBlue;
  }
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* in = p.BitmapData.data() + static_cast<size_t>(y) * w;
    uint32_t* out = screen.data() + static_cast<size_t>(f.top + y) * screenWidth + f.left;
    for (int32_t x = 0; x < w; ++x) out[x] = colours[in[x]];
  }
}

struct Box {
  int32_t x0 = INT32_MAX, y0 = INT32_MAX, x1 = -1, y1 = -1;  // inclusive
  bool Empty() const { return x1 < 0; }
  void Add(int32_t x, int32_t y) {
    x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
  }
  void Add(const Box& b) {
    if (!b.Empty()) Add(b.x0, b.y0), Add(b.x1, b.y1);
  }
};

// The frames as differences from what the screen shows. Each frame is cut to the box where the
// screen must change: pixels that differ from the screen, and pixels that the next frame shows
// cleared (this frame then clears its box after it is shown; otherwise it stays). Unchanged
// pixels in the box become transparent where that codes shorter. False when the frames cannot
// be written so (the caller writes them whole).
bool OptimizedFrames(const std::vector<AnimationFrame>& frames, int32_t w, int32_t h,
                     std::vector<Image>& images) {
  const size_t area = static_cast<size_t>(w) * static_cast<size_t>(h);
  std::vector<uint32_t> shown(area, kClear), target(area), next(area);
  std::vector<uint8_t> plain, keeping, codesA, codesB, deferredA, deferredB, lastPlain;
  int plainCodeSize = 0;
  size_t fillsA = 0;
  platform::SecondLane lane;
  Render(frames[0], w, target);
  for (size_t n = 0; n < frames.size(); ++n) {
    const AnimationFrame& f = frames[n];
    const Vesk_GifPictureType& p = *f.picture;
    const int32_t fw = p.GifSetting.biWidth, fh = p.GifSetting.biHeight;
    // After the last frame the animation starts again with the first.
    Render(frames[(n + 1) % frames.size()], w, next);

    Box changed, clearing;
    for (int32_t y = 0; y < h; ++y) {
      const size_t row = static_cast<size_t>(y) * w;
      for (int32_t x = 0; x < w; ++x) {
        const uint32_t t = target[row + x];
        if (shown[row + x] != t) {
          // Drawing cannot clear a pixel: the last frame's disposal should have.
          if (t == kClear) return false;
          changed.Add(x, y);
        }
        if (t != kClear && next[row + x] == kClear) clearing.Add(x, y);
      }
    }
    Box box = changed;
    box.Add(clearing);
    if (box.Empty()) box.Add(f.left, f.top);  // nothing changes: one pixel, as it is
    if (box.x0 < f.left || box.y0 < f.top || box.x1 >= f.left + fw || box.y1 >= f.top + fh)
      return false;

    Image image;
    image.left = box.x0, image.top = box.y0;
    image.width = box.x1 - box.x0 + 1, image.height = box.y1 - box.y0 + 1;
    image.delayCs = f.delayCs;
    image.disposal = clearing.Empty() ? kDisposeNone : kDisposeBackground;
    // The index that leaves a pixel as it is: the frame's transparent one, else one its pixels
    // in the box do not use.
    bool used[256] = {};
    plain.resize(static_cast<size_t>(image.width) * image.height);
    for (int32_t y = 0; y < image.height; ++y) {
      const uint8_t* in =
          p.BitmapData.data() + static_cast<size_t>(box.y0 - f.top + y) * fw + (box.x0 - f.left);
      std::copy(in, in + image.width, plain.data() + static_cast<size_t>(y) * image.width);
      for (int32_t x = 0; x < image.width; ++x) used[in[x]] = true;
    }
    int keep = TransparentOf(p);
    for (int i = 0; keep < 0 && i < 256; ++i)
      if (!used[i]) keep = i;
    int highest = keep;
    for (int i = 255; i > highest; --i)
      if (used[i]) highest = i;
    image.table = TableCovering(p, highest);
    const int minCodeSize = LzwMinimumCodeSize(image.table.size());
    image.transparent = TransparentOf(p);
    size_t unchanged = 0;
    if (keep >= 0) {
      keeping = plain;
      for (int32_t y = 0; y < image.height; ++y) {
        const size_t row = static_cast<size_t>(box.y0 + y) * w + box.x0;
        uint8_t* out = keeping.data() + static_cast<size_t>(y) * image.width;
        for (int32_t x = 0; x < image.width; ++x)
          if (shown[row + x] == target[row + x] && out[x] != keep) {
            out[x] = static_cast<uint8_t>(keep);
            ++unchanged;
          }
      }
    }
    // Both variants, each also with deferred clears, coded on two threads; which is kept is
    // decided as if they had been coded one after the other. A frame with the indices of the one
    // before (a colour series) reuses its plain codes.
    const bool samePlain = plainCodeSize == minCodeSize && plain == lastPlain;
    auto encodePlain = [&] {
      fillsA = EncodeLzw(plain.data(), plain.size(), minCodeSize, codesA);
      if (fillsA > 0) EncodeLzw(plain.data(), plain.size(), minCodeSize, deferredA, true);
    };
    size_t fillsB = 0;
    auto encodeKeeping = [&] {
      fillsB = EncodeLzw(keeping.data(), keeping.size(), minCodeSize, codesB);
      if (fillsB > 0) EncodeLzw(keeping.data(), keeping.size(), minCodeSize, deferredB, true);
    };
    if (!samePlain) {
      plainCodeSize = 0;  // until its codes are complete
      if (unchanged > 0) {
        platform::RunBoth(lane, encodePlain, encodeKeeping);
      } else {
        platform::RunBoth(
            lane, [&] { fillsA = EncodeLzw(plain.data(), plain.size(), minCodeSize, codesA); },
            [&] { EncodeLzw(plain.data(), plain.size(), minCodeSize, deferredA, true); });
      }
      lastPlain = plain;
      plainCodeSize = minCodeSize;
    } else if (unchanged > 0) {
      platform::RunBoth(
          lane, [&] { fillsB = EncodeLzw(keeping.data(), keeping.size(), minCodeSize, codesB); },
          [&] { EncodeLzw(keeping.data(), keeping.size(), minCodeSize, deferredB, true); });
    }
    const bool keepUnchanged = unchanged > 0 && codesB.size() < codesA.size();
    // The better of the two, with deferred clears where the table filled and that is shorter.
    const std::vector<uint8_t>& codes = keepUnchanged ? codesB : codesA;
    const std::vector<uint8_t>& deferred = keepUnchanged ? deferredB : deferredA;
    const bool filled = (keepUnchanged ? fillsB : fillsA) > 0;
    image.codes = filled && deferred.size() < codes.size() ? deferred : codes;
    if (keepUnchanged) image.transparent = keep;
    images.push_back(std::move(image));

    // The screen now shows the frame; its box is cleared if the next frame needs that.
    shown.swap(target);
    if (!clearing.Empty())
      for (int32_t y = box.y0; y <= box.y1; ++y)
        std::fill_n(shown.data() + static_cast<size_t>(y) * w + box.x0, box.x1 - box.x0 + 1,
                    kClear);
    target.swap(next);
  }
  return true;
}

void Put16(std::vector<uint8_t>& out, int32_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

int TableBits(size_t entries) {
  int bits = 1;
  while ((size_t{1} << bits) < entries) ++bits;
  return bits;
}

void PutTable(std::vector<uint8_t>& out, const std::vector<Vesk_GIFRGBTRIPLE>& table) {
  for (const Vesk_GIFRGBTRIPLE& c : table) out.insert(out.end(), {c.gRed, c.gGreen, c.gBlue});
}

std::vector<uint8_t> FileBytes(const std::vector<Image>& images, int32_t w, int32_t h,
                               int32_t loopCount) {
  // A series whose frames share one palette (a turn, a mesh) writes it once.
  const bool shared = std::all_of(images.begin(), images.end(),
                                  [&](const Image& i) { return i.table == images[0].table; });
  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(out, w);
  Put16(out, h);
  out.push_back(shared ? static_cast<uint8_t>(0xF0 | (TableBits(images[0].table.size()) - 1))
                       : 0x70);
  out.insert(out.end(), {0, 0});
  if (shared) PutTable(out, images[0].table);
  // Loop count: the NETSCAPE2.0 application extension, sub-block 1.
  out.insert(out.end(),
             {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1});
  Put16(out, loopCount);
  out.push_back(0);
  for (const Image& i : images) {
    out.insert(out.end(), {0x21, 0xF9, 4});
    out.push_back(static_cast<uint8_t>(i.disposal << 2 | (i.transparent >= 0 ? 1 : 0)));
    Put16(out, i.delayCs);
    out.push_back(static_cast<uint8_t>(i.transparent >= 0 ? i.transparent : 0));
    out.push_back(0);
    out.push_back(0x2C);
    Put16(out, i.left);
    Put16(out, i.top);
    Put16(out, i.width);
    Put16(out, i.height);
    out.push_back(shared ? 0 : static_cast<uint8_t>(0x80 | (TableBits(i.table.size()) - 1)));
    if (!shared) PutTable(out, i.table);
    out.push_back(static_cast<uint8_t>(LzwMinimumCodeSize(i.table.size())));
    for (size_t at = 0; at < i.codes.size(); at += 255) {
      const size_t n = std::min<size_t>(255, i.codes.size() - at);
      out.push_back(static_cast<uint8_t>(n));
      out.insert(out.end(), i.codes.begin() + at, i.codes.begin() + at + n);
    }
    out.push_back(0);
  }
  out.push_back(0x3B);
  return out;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool WriteAnimatedGif(const std::vector<AnimationFrame>& frames, int32_t screenWidth,
                      int32_t screenHeight, int32_t loopCount, const std::string& fileName,
                      bool optimize) {
  return RunProcedure("WriteAnimatedGif", [&] {
    if (frames.empty() || screenWidth < 1 || screenHeight < 1 || screenWidth > kMaxGifDimension ||
        screenHeight > kMaxGifDimension || loopCount < 0 || loopCount > 0xFFFF) {
      RecordModuleError(kErrHeader, kStyleStop);
      return false;
    }
    for (const AnimationFrame& f : frames) {
      if (!FrameFits(f, screenWidth, screenHeight)) {
        RecordModuleError(kErrHeader, kStyleStop);
        return false;
      }
    }

    platform::StagedFile staged(fileName, "pellory-anim");
    if (!staged.Valid()) {
      RecordFileError(staged.Error());
      return false;
    }
    std::vector<Image> images;
    if (!optimize || !OptimizedFrames(frames, screenWidth, screenHeight, images)) {
      // The frames are coded independently: two at a time.
      images.assign(frames.size(), Image{});
      platform::SecondLane lane;
      for (size_t n = 0; n < frames.size(); n += 2) {
        if (n + 1 == frames.size()) {
          images[n] = WholeFrame(frames[n]);
          break;
        }
        platform::RunBoth(
            lane, [&] { images[n + 1] = WholeFrame(frames[n + 1]); },
            [&] { images[n] = WholeFrame(frames[n]); });
      }
    }
    const bool written =
        WriteAll(staged.Descriptor(), FileBytes(images, screenWidth, screenHeight, loopCount));
    const int writeError = errno;
    if (!written) {
      RecordFileError(writeError != 0 ? writeError : EIO);
      return false;
    }
    // Never over a file: one that appeared meanwhile stays.
    if (const int err = staged.Commit(false); err != 0) {
      RecordFileError(err);
      return false;
    }
    return true;
  });
}

}  // namespace pellory::engine
