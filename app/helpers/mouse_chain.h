// Binding a helper object to a control's mouse events without taking them from the window: the
// handler already in the slot keeps running, before the helper's member.
#pragma once

#include <utility>

namespace kestrin {

template <class Slot, class Owner, class... Args>
void ChainAfter(Slot& slot, Owner* self, void (Owner::*member)(Args...)) {
  slot = [previous = std::move(slot), self, member](Args... args) {
    if (previous) previous(args...);
    (self->*member)(args...);
  };
}

}  // namespace kestrin
