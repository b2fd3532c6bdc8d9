#include "job/console/console_session.h"

#include <cstring>
#include <string>

#include "job/console/error_box.h"

namespace auralith {

std::string plainMessage(std::string_view message) {
    std::string out;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message[i] == '\\' && i + 1 < message.size() && message[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += message[i];
        }
    }
    return out;
}

bool dismissesErrorBox(const Key& key) {
    return key.kind == Key::Kind::endOfInput ||
           (key.kind == Key::Kind::character && (key.code == 13 || key.code == 32 || key.code == 27));
}

void ConsoleSession::setUp() {
    modes_.enter();
    display_.setUp();
}

void ConsoleSession::showError(const ScreenModel& screen, std::string_view message) {
    if (!display_.drawsScreens()) {
        errors_.writeAll("ERROR: " + plainMessage(message) + "\n");
        return;
    }
    display_.present(withErrorBox(screen, message));
    while (!dismissesErrorBox(keyboard_.nextKey())) {
    }
    display_.present(screen);
}

bool ConsoleSession::finish(const ScreenModel& screen, std::string_view reason) {
    if (finished_) return true;
    finished_ = true;
    const int error = display_.showFinal(screen);
    modes_.leave();
    // After the terminal is restored: the line stands below the final screen, in the
    // terminal's own colours.
    if (!reason.empty()) errors_.writeAll(std::string(reason) + "\n");
    if (error != 0)
        errors_.writeAll("auralith: the final screen could not be written: " + std::string(std::strerror(error)) +
                         "\n");
    return error == 0;
}

}  // namespace auralith
