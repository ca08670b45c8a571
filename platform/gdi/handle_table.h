// The handle table behind the device contexts, bitmaps and palettes: objects in numbered slots,
// handed out as handles that a freed slot's later use never revives.
#pragma once

#include <cstdint>
#include <deque>
#include <variant>
#include <vector>

namespace platform {

// `Object` is a std::variant whose first alternative, std::monostate, marks a free slot.
// Handles are slot number + 1 in the low 16 bits and the slot's generation in the high 16 bits,
// so a handle to a freed slot stays refused after the slot is used again.
template <class Object>
class GdiHandleTable {
 public:
  uint32_t Add(Object object) {
    uint32_t index;
    if (!free_.empty()) {
      index = free_.front();
      free_.pop_front();
    } else {
      if (slots_.size() >= 0xFFFF) return 0;
      index = static_cast<uint32_t>(slots_.size());
      slots_.push_back({});
    }
    Slot& slot = slots_[index];
    slot.object = std::move(object);
    return (static_cast<uint32_t>(slot.generation) << 16) | (index + 1);
  }

  template <class T>
  T* Get(uint32_t handle) {
    Slot* slot = Find(handle);
    return slot ? std::get_if<T>(&slot->object) : nullptr;
  }

  bool Remove(uint32_t handle) {
    Slot* slot = Find(handle);
    if (!slot) return false;
    slot->object = std::monostate{};
    if (++slot->generation == 0) slot->generation = 1;
    // Freed slots queue up behind the others, so a handle's slot is not reused at once.
    free_.push_back((handle & 0xFFFF) - 1);
    return true;
  }

 private:
  struct Slot {
    uint16_t generation = 1;
    Object object;
  };

  Slot* Find(uint32_t handle) {
    const uint32_t index = handle & 0xFFFF;
    if (index == 0 || index > slots_.size()) return nullptr;
    Slot& slot = slots_[index - 1];
    if (slot.generation != (handle >> 16) || std::holds_alternative<std::monostate>(slot.object))
      return nullptr;
    return &slot;
  }

  std::vector<Slot> slots_;
  std::deque<uint32_t> free_;
};

}  // namespace platform
