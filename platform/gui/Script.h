#pragma once
// Scripted input (--script FILE), one command a line:
//   tap X Y | down X Y | move X Y | up X Y      (screen pixels)
//   key NAME|VK [down|up]                        (without down/up: press and release)
//   wheel DELTA | text "..." | wait MS | command ID
//   answer ok|cancel|yes|no                      (the open or the next message box/dialog)
//   screenshot FILE.png | quit
// Blank lines and lines starting with '#' are ignored.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trek::platform {

class WindowSystem;

struct ScriptCommand {
    enum class Kind { Tap, Down, Move, Up, Key, Wheel, Text, Wait, Command, Answer, Screenshot, Quit };
    Kind kind = Kind::Wait;
    int x = 0;
    int y = 0;
    uint32_t vk = 0;
    enum class KeyMode { Press, Down, Up } keyMode = KeyMode::Press;
    int value = 0;     // wheel delta, wait ms, command id, answer id
    std::string text;  // text or file name
    int line = 0;
};

class ScriptPlayer {
public:
    // Parses a whole script; on error says which line and why.
    static std::optional<std::vector<ScriptCommand>> parse(const std::string& text, std::string* error);

    ScriptPlayer() = default;
    explicit ScriptPlayer(std::vector<ScriptCommand> commands) : commands_(std::move(commands)) {}
    bool load(const std::string& path, std::string* error);

    // A trailing wait keeps the script running until it is over.
    bool finished() const { return next_ >= commands_.size() && !waiting_; }
    uint32_t msUntilDue(uint32_t now) const { return now >= dueAt_ ? 0 : dueAt_ - now; }
    // Runs the next command when it is due; true when one ran.
    bool step(WindowSystem& system, uint32_t now);

private:
    void execute(const ScriptCommand& c, WindowSystem& system, uint32_t now);

    std::vector<ScriptCommand> commands_;
    size_t next_ = 0;
    uint32_t dueAt_ = 0;
    bool waiting_ = false;
};

}  // namespace trek::platform
