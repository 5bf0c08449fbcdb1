// trektool import / export: the exchange formats from the command line, with
// the same import frame (worker thread, messages) as the program.
#include <unistd.h>

#include <cstdio>
#include <mutex>

#include "settings/Settings.h"
#include "tools/trektool/Command.h"
#include "tours/Tour.h"
#include "tours/exchange/TourExport.h"
#include "tours/exchange/TourImport.h"

namespace trek::tool {

namespace {

// Progress as a bar on a terminal; messages as lines (errors on stderr).
class ConsoleImportObserver : public ImportObserver {
public:
    ConsoleImportObserver() : terminal_(isatty(STDERR_FILENO)) {}

    void importStarted(const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        label_ = text;
        if (terminal_) draw(0);
    }
    void importProgress(int percent) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (terminal_) draw(percent);
    }
    void importMessage(const std::string& text, const std::string& caption) override {
        std::lock_guard<std::mutex> lock(mutex_);
        endBar();
        bool error = caption != "Tour Import" || text.rfind("Error", 0) == 0;
        std::string line;  // one line: the message's CR LF become blanks
        for (char c : text) {
            if (c == '\n') line += ' ';
            else if (c != '\r') line += c;
        }
        std::fprintf(error ? stderr : stdout, "%s\n", line.c_str());
    }

private:
    void draw(int percent) {
        const int width = 30;
        int filled = percent * width / 100;
        std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", label_.c_str(), filled, "##############################",
                     width - filled, "", percent);
        std::fflush(stderr);
        drawn_ = true;
    }
    void endBar() {
        if (drawn_) std::fputc('\n', stderr);
        drawn_ = false;
    }
    std::mutex mutex_;
    bool terminal_;
    bool drawn_ = false;
    std::string label_;
};

int RunImport(const std::vector<std::string>& args) {
    ImportRequest request;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--poi") {
            request.kind = Tour::kSinglePoi;
        } else if (a == "-o") {
            if (i + 1 >= args.size()) return UsageError("-o needs a file name");
            request.target = args[++i];
        } else if (a.rfind("-", 0) == 0 && a.size() > 1) {
            return UsageError("unknown option " + a);
        } else if (request.source.empty()) {
            request.source = a;
        } else {
            return UsageError("one file at a time");
        }
    }
    if (request.source.empty()) return UsageError("import needs a file (see --help)");
    request.recordingPath = Settings::instance().loadRecordedTour().file;

    ConsoleImportObserver observer;
    TourImport import;
    switch (import.start(request, observer)) {
    case TourImport::Start::Started: break;
    case TourImport::Start::TourFile: return Failure(request.source + " is a tour file already");
    case TourImport::Start::UnknownExtension:
        return Failure("no importer for " + request.source + " (gpx, kml, loc, csv, ov2, txt, tab)");
    case TourImport::Start::CannotOpen: return Failure("cannot open " + request.source);
    case TourImport::Start::TargetIsRecording:
        return Failure("the target tour is being recorded; choose another name with -o");
    }
    WaitImportFinished(0xFFFFFFFFu >> 1);
    import.join();
    const ImportResult& result = import.result();
    if (!result.ok) return 1;
    std::printf("%s\n", result.tourPath.c_str());
    return 0;
}

int RunExport(const std::vector<std::string>& args) {
    ExportOptions options = RunExportOptions();
    bool anyFormat = false;
    std::string file, folder;
    struct Flag {
        const char* name;
        bool ExportOptions::*field;
        bool value;
        bool format;
    };
    static const Flag kFlags[] = {
        {"--gpx", &ExportOptions::gpx, true, true},     {"--kml", &ExportOptions::kml, true, true},
        {"--loc", &ExportOptions::loc, true, true},     {"--txt", &ExportOptions::txt, true, true},
        {"--no-speed", &ExportOptions::speedExtension, false, false},
    };
    options.gpx = options.kml = options.loc = options.txt = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const Flag* flag = nullptr;
        for (const Flag& f : kFlags) {
            if (a == f.name) flag = &f;
        }
        if (flag) {
            options.*(flag->field) = flag->value;
            anyFormat = anyFormat || flag->format;
        } else if (a == "--gpx10") {
            options.gpxVersion = '0';
        } else if (a == "-o") {
            if (i + 1 >= args.size()) return UsageError("-o needs a folder");
            folder = args[++i];
        } else if (a.rfind("-", 0) == 0 && a.size() > 1) {
            return UsageError("unknown option " + a);
        } else if (file.empty()) {
            file = a;
        } else {
            return UsageError("one tour at a time");
        }
    }
    if (file.empty()) return UsageError("export needs a tour file (see --help)");
    if (!anyFormat) options.gpx = true;
    if (folder.empty()) {
        size_t slash = file.find_last_of('/');
        folder = slash == std::string::npos ? "." : file.substr(0, slash);
    }
    std::string base = file.substr(file.find_last_of('/') == std::string::npos ? 0 : file.find_last_of('/') + 1);
    size_t dot = base.rfind('.');
    Tour tour(dot == std::string::npos ? base : base.substr(0, dot), file);
    if (!tour.readHeader()) return Failure("cannot read the tour " + file);
    auto reports = ExportTour(tour, folder, options,
                              [](const std::string& text, const std::string&) { std::printf("%s\n", text.c_str()); });
    for (const ExportReport& r : reports) {
        if (!r.written) return Failure("cannot write " + r.path);
    }
    return 0;
}

}  // namespace

TREKTOOL_COMMAND("import",
                 "import FILE [--poi] [-o OUT.TUR]   import GPX, KML, LOC, CSV, OV2, TXT or TAB into a tour\n"
                 "                                   (beside FILE with .TUR unless -o; --poi: a POI collection)",
                 RunImport);
TREKTOOL_COMMAND("export",
                 "export FILE.TUR [--gpx] [--kml] [--loc] [--txt] [--gpx10] [--no-speed] [-o DIR]\n"
                 "                                   write the tour as GPX (default), KML, LOC, TXT into DIR",
                 RunExport);

}  // namespace trek::tool
