#pragma once
// Streaming XML reading with expat: the input is fed in chunks of 300 000 bytes
// (the last, empty chunk marked final), elements and text arrive as UTF-8
// callbacks, and an error is reported with its line, column and byte index.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tours/exchange/InputSource.h"

namespace trek {

class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    // attributes: name, value, name, value, ..., nullptr (expat's layout).
    virtual void startElement(std::string_view name, const char** attributes) = 0;
    virtual void endElement(std::string_view name) = 0;
    // Text may arrive in several pieces; expat splits it at line ends and chunk edges.
    virtual void characters(std::string_view text) = 0;
};

struct XmlError {
    int line = 0;
    int column = 0;
    int code = 0;          // expat's error code; -1 when the input could not be read
    uint64_t byteIndex = 0;
    std::string text;      // expat's error text
};

// The message of the GPX and LOC importers: the heading, then
// "Line=%d Column=%d, err=%d, %s" on a line of its own.
std::string XmlErrorMessage(const char* heading, const XmlError& error);

// Looks up an attribute in expat's list; nullptr when absent.
const char* FindXmlAttribute(const char** attributes, std::string_view name);

class XmlStreamReader {
public:
    static constexpr size_t kChunkBytes = 300000;

    // Reads the whole input; returns the error that stopped it, if any.
    std::optional<XmlError> parse(InputSource& input, XmlHandler& handler, ProgressMeter* progress = nullptr);
};

}  // namespace trek
