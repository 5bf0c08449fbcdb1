#include "platform/gui/Script.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/gui/VirtualKeys.h"
#include "platform/gui/WindowSystem.h"

namespace trek::platform {
namespace {

struct Verb {
    const char* name;
    ScriptCommand::Kind kind;
};

constexpr Verb kVerbs[] = {
    {"tap", ScriptCommand::Kind::Tap},       {"down", ScriptCommand::Kind::Down},
    {"move", ScriptCommand::Kind::Move},     {"up", ScriptCommand::Kind::Up},
    {"key", ScriptCommand::Kind::Key},       {"wheel", ScriptCommand::Kind::Wheel},
    {"text", ScriptCommand::Kind::Text},     {"wait", ScriptCommand::Kind::Wait},
    {"command", ScriptCommand::Kind::Command}, {"answer", ScriptCommand::Kind::Answer},
    {"screenshot", ScriptCommand::Kind::Screenshot}, {"quit", ScriptCommand::Kind::Quit},
};

struct Answer {
    const char* name;
    int id;
};

constexpr Answer kAnswers[] = {{"ok", IDOK}, {"cancel", IDCANCEL}, {"yes", IDYES}, {"no", IDNO}};

bool ParseInt(const std::string& s, int& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 0);
    if (*end || v < -1000000000L || v > 1000000000L) return false;
    out = static_cast<int>(v);
    return true;
}

// "..." with \" and \\ escapes; the rest of the line after the verb.
bool ParseQuoted(const std::string& rest, std::string& out) {
    size_t i = rest.find_first_not_of(" \t");
    if (i == std::string::npos || rest[i] != '"') return false;
    for (++i; i < rest.size(); ++i) {
        if (rest[i] == '\\' && i + 1 < rest.size()) {
            char c = rest[++i];
            out += c == 'n' ? '\n' : c;
        } else if (rest[i] == '"') {
            return rest.find_first_not_of(" \t\r", i + 1) == std::string::npos;
        } else {
            out += rest[i];
        }
    }
    return false;
}

}  // namespace

std::optional<std::vector<ScriptCommand>> ScriptPlayer::parse(const std::string& text, std::string* error) {
    std::vector<ScriptCommand> out;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& why) {
        if (error) *error = "line " + std::to_string(number) + ": " + why;
        return std::nullopt;
    };
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string verb;
        if (!(words >> verb) || verb[0] == '#') continue;
        ScriptCommand c;
        c.line = number;
        bool known = false;
        for (const auto& v : kVerbs)
            if (verb == v.name) c.kind = v.kind, known = true;
        if (!known) return fail("unknown command \"" + verb + "\"");
        std::vector<std::string> args;
        std::string rest;
        std::getline(words, rest);
        std::istringstream argWords(rest);
        for (std::string a; argWords >> a;) args.push_back(a);
        using K = ScriptCommand::Kind;
        switch (c.kind) {
            case K::Tap: case K::Down: case K::Move: case K::Up:
                if (args.size() != 2 || !ParseInt(args[0], c.x) || !ParseInt(args[1], c.y))
                    return fail(verb + " needs X Y");
                break;
            case K::Key: {
                if (args.empty() || args.size() > 2) return fail("key needs NAME|VK [down|up]");
                auto vk = VirtualKeyFromName(args[0]);
                if (!vk) return fail("unknown key \"" + args[0] + "\"");
                c.vk = *vk;
                if (args.size() == 2) {
                    if (args[1] == "down") c.keyMode = ScriptCommand::KeyMode::Down;
                    else if (args[1] == "up") c.keyMode = ScriptCommand::KeyMode::Up;
                    else return fail("key mode must be down or up");
                }
                break;
            }
            case K::Wheel: case K::Wait: case K::Command:
                if (args.size() != 1 || !ParseInt(args[0], c.value)) return fail(verb + " needs a number");
                if (c.kind == K::Wait && c.value < 0) return fail("wait needs a positive number");
                break;
            case K::Text:
                if (!ParseQuoted(rest, c.text)) return fail("text needs a quoted string");
                break;
            case K::Answer: {
                bool ok = false;
                for (const auto& a : kAnswers)
                    if (args.size() == 1 && args[0] == a.name) c.value = a.id, ok = true;
                if (!ok) return fail("answer must be ok, cancel, yes or no");
                break;
            }
            case K::Screenshot:
                if (args.size() != 1) return fail("screenshot needs a file name");
                c.text = args[0];
                break;
            case K::Quit:
                if (!args.empty()) return fail("quit takes no arguments");
                break;
        }
        out.push_back(std::move(c));
    }
    return out;
}

bool ScriptPlayer::load(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read " + path;
        return false;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string why;
    auto commands = parse(buffer.str(), &why);
    if (!commands) {
        if (error) *error = path + ": " + why;
        return false;
    }
    commands_ = std::move(*commands);
    next_ = 0;
    dueAt_ = 0;
    waiting_ = false;
    return true;
}

bool ScriptPlayer::step(WindowSystem& system, uint32_t now) {
    if (now < dueAt_) return false;
    if (waiting_) {
        waiting_ = false;
        return true;
    }
    if (next_ >= commands_.size()) return false;
    const ScriptCommand& c = commands_[next_++];
    execute(c, system, now);
    return true;
}

void ScriptPlayer::execute(const ScriptCommand& c, WindowSystem& system, uint32_t now) {
    using K = ScriptCommand::Kind;
    Point p{c.x, c.y};
    switch (c.kind) {
        case K::Tap:
            system.mouseDown(p);
            system.mouseUp(p);
            break;
        case K::Down: system.mouseDown(p); break;
        case K::Move: system.mouseMove(p); break;
        case K::Up: system.mouseUp(p); break;
        case K::Key:
            if (c.keyMode != ScriptCommand::KeyMode::Up) system.key(c.vk, true);
            if (c.keyMode != ScriptCommand::KeyMode::Down) system.key(c.vk, false);
            break;
        case K::Wheel: system.wheel(c.value); break;
        case K::Text: system.text(c.text); break;
        case K::Wait:
            dueAt_ = now + static_cast<uint32_t>(c.value);
            waiting_ = true;
            break;
        case K::Command: {
            Window* target = system.modalWindow() ? system.modalWindow() : system.mainWindow();
            if (target) target->post(WM_COMMAND, static_cast<uint64_t>(c.value) & 0xFFFF, 0);
            break;
        }
        case K::Answer:
            if (!system.answerModal(c.value)) system.setPendingAnswer(c.value);
            break;
        case K::Screenshot: {
            std::string error;
            if (!system.screenshot(c.text, &error))
                std::fprintf(stderr, "script line %d: screenshot failed: %s\n", c.line, error.c_str());
            break;
        }
        case K::Quit:
            if (Window* main = system.mainWindow())
                main->post(WM_CLOSE);
            else
                system.loop().quit(0);
            break;
    }
}

}  // namespace trek::platform
