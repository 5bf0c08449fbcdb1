#include "tours/exchange/XmlStreamReader.h"

#include <cstdio>

#include <expat.h>

#include <cstring>
#include <strings.h>

namespace trek {

namespace {

void OnStart(void* user, const XML_Char* name, const XML_Char** attributes) {
    static_cast<XmlHandler*>(user)->startElement(name, attributes);
}

void OnEnd(void* user, const XML_Char* name) { static_cast<XmlHandler*>(user)->endElement(name); }

void OnText(void* user, const XML_Char* text, int length) {
    static_cast<XmlHandler*>(user)->characters(std::string_view(text, static_cast<size_t>(length)));
}

// Windows-1252 is common in files from Windows programs but unknown to expat;
// its bytes 0x80..0x9F differ from Latin-1 (0 marks an unassigned byte).
const uint16_t kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

int OnUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
    if (strcasecmp(name, "windows-1252") != 0 && strcasecmp(name, "cp1252") != 0) return XML_STATUS_ERROR;
    for (int i = 0; i < 256; ++i) info->map[i] = i;
    for (int i = 0; i < 32; ++i) info->map[0x80 + i] = kCp1252High[i] ? kCp1252High[i] : 0xFFFD;
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

XmlError MakeError(XML_Parser parser) {
    XmlError e;
    e.line = static_cast<int>(XML_GetCurrentLineNumber(parser));
    e.column = static_cast<int>(XML_GetCurrentColumnNumber(parser));
    e.code = static_cast<int>(XML_GetErrorCode(parser));
    e.byteIndex = static_cast<uint64_t>(XML_GetCurrentByteIndex(parser));
    const XML_LChar* text = XML_ErrorString(XML_GetErrorCode(parser));
    e.text = text ? text : "";
    return e;
}

}  // namespace

std::string XmlErrorMessage(const char* heading, const XmlError& error) {
    char text[512];
    std::snprintf(text, sizeof text, "%s\r\nLine=%d Column=%d, err=%d, %s", heading, error.line, error.column,
                  error.code, error.text.c_str());
    return text;
}

const char* FindXmlAttribute(const char** attributes, std::string_view name) {
    for (int i = 0; attributes && attributes[i]; i += 2) {
        if (name == attributes[i]) return attributes[i + 1];
    }
    return nullptr;
}

std::optional<XmlError> XmlStreamReader::parse(InputSource& input, XmlHandler& handler, ProgressMeter* progress) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser) return XmlError{0, 0, XML_ERROR_NO_MEMORY, 0, "out of memory"};
    XML_SetUserData(parser, &handler);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, OnText);
    XML_SetUnknownEncodingHandler(parser, OnUnknownEncoding, nullptr);

    std::optional<XmlError> error;
    for (;;) {
        void* buffer = XML_GetBuffer(parser, static_cast<int>(kChunkBytes));
        if (!buffer) {
            error = MakeError(parser);
            break;
        }
        long got = input.read(static_cast<char*>(buffer), kChunkBytes);
        if (got < 0) {
            error = XmlError{static_cast<int>(XML_GetCurrentLineNumber(parser)),
                             static_cast<int>(XML_GetCurrentColumnNumber(parser)), -1, input.position(),
                             "read error"};
            break;
        }
        bool last = got == 0;
        if (XML_ParseBuffer(parser, static_cast<int>(got), last) == XML_STATUS_ERROR) {
            error = MakeError(parser);
            break;
        }
        if (progress) progress->update(input.position(), input.size());
        if (last) break;
    }
    XML_ParserFree(parser);
    return error;
}

}  // namespace trek
