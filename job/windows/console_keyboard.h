// The keyboard of a Windows console: its input events read with ReadConsoleInputW, key events
// turned into keys by WindowsKeyTranslator, and changes of the buffer's size passed on.
#pragma once

#include <functional>
#include <utility>

#include "job/console/console_parts.h"
#include "job/console/key_queue.h"
#include "job/console/windows_keys.h"

namespace auralith {

class ConsoleKeyboard final : public Keyboard {
public:
    // `onResize` runs when the console reports a change of its buffer's size.
    ConsoleKeyboard(void* in, std::function<void()> onResize) : in_(in), onResize_(std::move(onResize)) {}

    Key nextKey() override;

private:
    void readEvents();  // waits for console input events and queues their keys

    void* in_;  // a HANDLE, kept opaque so that this header needs no <windows.h>
    std::function<void()> onResize_;
    WindowsKeyTranslator translator_;
    KeyQueue queue_;
};

}  // namespace auralith
