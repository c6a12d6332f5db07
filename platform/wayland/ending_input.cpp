#include "platform/wayland/ending_input.h"

#include <algorithm>

namespace {
bool IsHeld(const EndingInput& input, uint32_t key) {
    return std::find(input.Held, input.Held + input.HeldCount, key) != input.Held + input.HeldCount;
}

void Release(EndingInput& input, uint32_t key) {
    uint32_t* end = std::remove(input.Held, input.Held + input.HeldCount, key);
    input.HeldCount = static_cast<int>(end - input.Held);
}

// Motion is measured from where the pointer was first seen over our surfaces.
void Anchor(EndingInput& input, const InputEvent& event) {
    input.PointerIn = event.Ours;
    input.AnchorX = event.X;
    input.AnchorY = event.Y;
}
} // namespace

bool InputEndsRun(EndingInput& input, const InputEvent& event) {
    switch (event.Kind) {
    case InputKind::KeyboardEnter:
        input.KeyboardIn = event.Ours;
        // Beyond the table's size only the first are remembered: a press of one of the
        // others, which the protocol would not send while it is held, still ends the run.
        input.HeldCount = static_cast<int>(std::min<size_t>(event.KeyCount, MaxHeldKeys));
        std::copy(event.Keys, event.Keys + input.HeldCount, input.Held);
        return false;
    case InputKind::KeyboardLeave:
        // What happens to keys elsewhere is not ours to see; the next arrival says afresh.
        input.KeyboardIn = false;
        input.HeldCount = 0;
        return false;
    case InputKind::Key:
        if (!event.Pressed) {
            Release(input, event.Key);
            return false;
        }
        return input.KeyboardIn && !IsHeld(input, event.Key);
    case InputKind::PointerEnter:
        Anchor(input, event);
        return false;
    case InputKind::PointerLeave:
        input.PointerIn = false;
        return false;
    case InputKind::Motion: {
        const double dx = event.X - input.AnchorX, dy = event.Y - input.AnchorY;
        return input.PointerIn && dx * dx + dy * dy > PointerSlack * PointerSlack;
    }
    case InputKind::Button:
        return input.PointerIn && event.Pressed;
    case InputKind::Axis:
        return input.PointerIn;
    }
    return false;
}
