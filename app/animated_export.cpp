#include "app/animated_export.h"

#include <utility>

#include "giflib/object/vesk_gif_animation.h"
#include "platform/kernel/second_lane.h"

namespace kestrin {

namespace {

// An animation object as the program sets one up; false (with the message) when the settings
// are refused.
bool Prepare(pellory::Vesk_GifAnimation& animation, const AnimationSettings& settings) {
  // As every Pellory object of the program: temporary files where the user can write them.
  animation.TempPathMode(pellory::TempSystem);
  animation.LoopCount(settings.loopCount);
  animation.OptimizeFrames(settings.optimizeFrames);
  return animation.ErrorNumber() == 0;
}

bool Failed(const pellory::Vesk_GifAnimation& animation, std::string* error) {
  if (error) *error = animation.GetErrorMsg(animation.ErrorNumber());
  return false;
}

}  // namespace

bool SaveAnimatedSeries(const std::vector<platform::Picture>& frames, const std::string& path,
                        const AnimationSettings& settings, std::string* error) {
  pellory::Vesk_GifAnimation animation;
  if (!Prepare(animation, settings)) return Failed(animation, error);
  if (animation.AddFrames(frames, settings.delayCs) != static_cast<int32_t>(frames.size()))
    return Failed(animation, error);
  if (!animation.SaveAnimatedGif(path)) return Failed(animation, error);
  return true;
}

struct AnimationCapture::Taken {
  pellory::Vesk_GifAnimation animation;
  std::vector<platform::Picture> frames;  // those handed over, in order
  bool refused = false;                   // by the settings or a frame: start again at the save
  platform::SecondLane lane;              // last: its job ends before the rest goes
  bool running = false;
};

AnimationCapture::AnimationCapture(const AnimationSettings& settings)
    : settings_(settings), taken_(std::make_unique<Taken>()) {
  taken_->refused = !Prepare(taken_->animation, settings_);
}

AnimationCapture::~AnimationCapture() {
  Settle();
}

void AnimationCapture::Settle() {
  if (!taken_->running) return;
  taken_->running = false;
  try {
    taken_->lane.Wait();
  } catch (...) {
    taken_->refused = true;
  }
}

void AnimationCapture::Add(const platform::Picture& frame) {
  Settle();
  if (taken_->refused) return;
  taken_->frames.push_back(frame);
  taken_->running = true;
  Taken* taken = taken_.get();
  const int32_t delay = settings_.delayCs;
  taken_->lane.Start([taken, frame, delay] {
    if (!taken->animation.AddFrame(frame, delay)) taken->refused = true;
  });
}

bool AnimationCapture::Save(const std::vector<platform::Picture>& frames, const std::string& path,
                            std::string* error) {
  Settle();
  // Whatever was taken goes with this save; later frames are not taken.
  std::unique_ptr<Taken> taken = std::exchange(taken_, std::make_unique<Taken>());
  taken_->refused = true;
  // Anything but exactly these frames, all taken, is saved as if nothing had been: a frame
  // refused here is refused again there, with its own message.
  if (taken->refused || taken->frames != frames) {
    taken.reset();
    return SaveAnimatedSeries(frames, path, settings_, error);
  }
  return taken->animation.SaveAnimatedGif(path) || Failed(taken->animation, error);
}

}  // namespace kestrin
