#include "dummycontrol/dummy_uc.h"

#include <QResizeEvent>
#include <array>
#include <memory>

#include "platform/forms/form.h"

namespace fennick {

namespace {

const bool kRegistered = platform::RegisterControlClass<DummyUC>(kProgIdDummyUC, kClsidDummyUC);

// Letters of the icon, one string per row, '#' for ink.
struct Glyph {
  char letter;
  std::array<const char*, 9> rows;
};
constexpr Glyph kGlyphs[] = {
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####.", ".....", "....."}},
    {'u', {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#", ".....", "....."}},
    {'m', {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#", ".....", "....."}},
    {'y', {".....", ".....", "#...#", "#...#", "#...#", ".####", "....#", "#...#", ".###."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###.", ".....", "....."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###.", ".....", "....."}},
};

const Glyph& GlyphOf(char c) {
  for (const Glyph& g : kGlyphs)
    if (g.letter == c) return g;
  return kGlyphs[0];
}

// Index 0 white, 1 black, 2 the pale yellow shadow; the rest of the 256 entries are unused.
void DrawWord(QImage& img, const char* word, int x, int y, int scale, int shade) {
  for (const char* p = word; *p; ++p, x += 6 * scale) {
    const Glyph& g = GlyphOf(*p);
    for (int r = 0; r < 9; ++r)
      for (int c = 0; c < 5; ++c)
        if (g.rows[r][c] == '#')
          for (int sy = 0; sy < scale; ++sy)
            for (int sx = 0; sx < scale; ++sx)
              img.setPixel(x + c * scale + sx + shade, y + r * scale + sy + shade, shade ? 2 : 1);
  }
}

}  // namespace

QImage DummyUC::Icon() {
  QImage img(32, 32, QImage::Format_Indexed8);
  QList<QRgb> table(256, qRgb(0, 0, 0));
  table[0] = qRgb(255, 255, 255);
  table[1] = qRgb(0, 0, 0);
  table[2] = qRgb(255, 255, 153);
  img.setColorTable(table);
  img.fill(0);
  for (int shade : {1, 0}) {
    DrawWord(img, "Dummy", 1, 2, 1, shade);
    DrawWord(img, "UC", 5, 14, 2, shade);
  }
  return img;
}

DummyUC::DummyUC(QWidget* parent)
    : platform::ControlOf<QWidget>(parent), image1_(new platform::ImageControl(this)) {
  (void)kRegistered;
  static const platform::Picture icon = std::make_shared<platform::StdPicture>(Icon());
  image1_->setObjectName(QStringLiteral("Image1"));
  image1_->SetPicture(icon);
  image1_->move(0, 0);
  image1_->show();
  KeepSize();
}

void DummyUC::KeepSize() {
  if (size() != image1_->size()) resize(image1_->size());
}

void DummyUC::OnResize() {
  KeepSize();
}

void DummyUC::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  KeepSize();
}

}  // namespace fennick
