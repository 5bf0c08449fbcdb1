#include "tours/exchange/TourImport.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include "platform/core/Sync.h"
#include "settings/Settings.h"
#include "tours/Tour.h"
#include "tours/TourRecorder.h"
#include "tours/TourTime.h"
#include "tours/exchange/GpxImporter.h"
#include "tours/exchange/KmlImporter.h"
#include "tours/exchange/LocImporter.h"
#include "tours/exchange/TextImporters.h"
#include "tours/exchange/TourSink.h"

namespace trek {

namespace {

// The imported tour reaches storage before it takes the target's name, so a
// power loss right after the rename cannot leave an empty tour behind.
bool SyncFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fdatasync(fd) == 0;
    ::close(fd);
    return ok;
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    return base;
}

template <class T>
std::unique_ptr<Importer> Make(const std::string&) {
    return std::make_unique<T>();
}
std::unique_ptr<Importer> MakeCsv(const std::string& source) { return std::make_unique<CsvImporter>(BaseName(source)); }
std::unique_ptr<Importer> MakeOv2(const std::string& source) {
    return std::make_unique<Ov2Importer>(BaseName(source), TourTimeNow());
}

const ImportFormat kFormats[] = {
    {"tur", 0, "", nullptr},
    {"gpx", 0, "Importing GPX file...", Make<GpxImporter>},
    {"kml", 0, "Importing KML file...", Make<KmlImporter>},
    {"loc", 2, "Importing LOC file...", Make<LocImporter>},
    {"csv", 2, "Importing CSV file...", MakeCsv},
    {"ov2", 2, "Importing ov2 file...", MakeOv2},
    {"txt", 1, "Importing TXT file...", Make<TxtImporter>},
    {"tab", 1, "Importing TXT file...", Make<TabImporter>},
};

bool SamePath(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec1, ec2;
    auto ca = std::filesystem::weakly_canonical(a, ec1);
    auto cb = std::filesystem::weakly_canonical(b, ec2);
    if (ec1 || ec2) return a == b;
    return ca == cb;
}

// Auto-reset: one signal releases one waiter.
std::shared_ptr<platform::Event> FinishedEvent() {
    return platform::OpenNamedEvent(platform::kTourImportFinishedEvent, false);
}

void ProgressToObserver(void* context, int percent) { static_cast<ImportObserver*>(context)->importProgress(percent); }

}  // namespace

void SignalImportFinished() { FinishedEvent()->set(); }

bool WaitImportFinished(uint32_t timeoutMs) { return FinishedEvent()->wait(timeoutMs); }

const ImportFormat* FindImportFormat(const std::string& path) {
    size_t dot = path.rfind('.');
    size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return nullptr;
    std::string extension = path.substr(dot + 1);
    for (const ImportFormat& f : kFormats) {
        if (strcasecmp(extension.c_str(), std::string(f.extension).c_str()) == 0) return &f;
    }
    return nullptr;
}

std::string TourImport::TargetPathFor(const std::string& source) {
    size_t dot = source.rfind('.');
    size_t slash = source.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return source + ".TUR";
    return source.substr(0, dot) + ".TUR";
}

TourImport::~TourImport() { join(); }

void TourImport::join() {
    if (worker_.joinable()) worker_.join();
}

TourImport::Start TourImport::start(const ImportRequest& request, ImportObserver& observer) {
    join();
    format_ = FindImportFormat(request.source);
    if (!format_) return Start::UnknownExtension;
    if (!format_->make) return Start::TourFile;
    request_ = request;
    if (request_.target.empty()) request_.target = TargetPathFor(request_.source);
    if (request_.kind != 1 && request_.kind != 2) request_.kind = 1;
    if (format_->kind != 0) request_.kind = format_->kind;
    if (SamePath(request_.target, request_.recordingPath)) return Start::TargetIsRecording;
    auto file = std::make_unique<FileInput>();
    if (!file->open(request_.source)) return Start::CannotOpen;
    input_ = std::move(file);
    observer_ = &observer;
    result_ = ImportResult{};
    worker_ = std::thread([this] { run(); });
    return Start::Started;
}

void TourImport::run() {
    ImportObserver& observer = *observer_;
    observer.importStarted(std::string(format_->progressText));

    // The new tour is written under a temporary name and replaces the target
    // only at the end, so a failing import never costs the user a tour.
    const std::string& target = request_.target;
    const std::string temp = target + ".part";
    std::remove(temp.c_str());
    const bool targetExisted = std::filesystem::exists(target);

    Tour tour(BaseName(target), temp);
    tour.setKind(request_.kind);
    ImportOutcome outcome;
    std::string description;
    bool written = false;
    {
        TourRecorder::Options options;
        options.fix = nullptr;
        options.timeMarks = false;
        options.colour = static_cast<int>(Settings::instance().flags.tourDefColourNew());
        options.kind = request_.kind;
        options.periodicSync = false;  // the finished file is synced once before the rename
        TourRecorder recorder(tour, options);
        if (recorder.start()) {
            TourSink sink(recorder, tour);
            ProgressMeter meter(ProgressToObserver, &observer);
            std::unique_ptr<Importer> importer = format_->make(request_.source);
            outcome = importer->run(*input_, sink, &meter);
            written = recorder.flush();
            description = sink.description();
        } else {
            outcome.ok = false;
        }
    }
    input_.reset();
    if (written) {
        tour.setVisible(1);
        written = tour.writeHeader(false);
        if (written && !description.empty()) written = tour.setDescription(description);
    }

    result_.ok = outcome.ok && written;
    result_.trackPoints = outcome.trackPoints;
    result_.waypoints = outcome.waypoints;
    result_.error = outcome.error;
    // A failed import does not replace a tour that was already there.
    bool keep = written && (outcome.ok || !targetExisted) && SyncFile(temp);
    if (keep && std::rename(temp.c_str(), target.c_str()) == 0) {
        result_.stored = true;
        result_.tourPath = target;
    } else {
        std::remove(temp.c_str());
    }

    if (!outcome.ok && !outcome.error.empty()) observer.importMessage(outcome.error, outcome.errorCaption);
    char text[160];
    std::snprintf(text, sizeof text, "%ld track points and %ld waypoints/POI's imported!", outcome.trackPoints,
                  outcome.waypoints);
    result_.message = text;
    observer.importMessage(result_.message, "Tour Import");
    observer.importFinished(result_.tourPath, result_.stored);
    SignalImportFinished();
}

}  // namespace trek
