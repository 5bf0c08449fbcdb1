#pragma once
// Import of a foreign file into a new tour: the importer is chosen by the file's
// extension, the tour is written beside the source under the same base name
// with ".TUR", and the work runs on a thread of its own that reports progress,
// shows the completion message and signals "TourImportFinished".
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "tours/exchange/Importer.h"

namespace trek {

// One row of the dispatch table.
struct ImportFormat {
    std::string_view extension;     // lower case, without the dot
    int kind;                       // tour kind; 0: asked (tour or POI collection)
    std::string_view progressText;  // "" when no import runs (TUR)
    std::unique_ptr<Importer> (*make)(const std::string& sourcePath);  // nullptr for TUR
};

// The row for the file's extension (compared without case), or nullptr.
const ImportFormat* FindImportFormat(const std::string& path);

// What the user sees of an import. Called on the worker thread.
class ImportObserver {
public:
    virtual ~ImportObserver() = default;
    virtual void importStarted(const std::string& progressText) { (void)progressText; }
    virtual void importProgress(int percent) { (void)percent; }
    // Error and completion messages (caption "Tour Import", "KML Import").
    virtual void importMessage(const std::string& text, const std::string& caption) = 0;
    // The tour is in place (or the import failed); the tour list selects it, the views refresh.
    virtual void importFinished(const std::string& tourPath, bool ok) {
        (void)tourPath;
        (void)ok;
    }
};

struct ImportRequest {
    std::string source;
    std::string target;         // empty: beside the source, extension ".TUR"
    int kind = 1;               // for the formats that ask: 1 tour, 2 POI collection
    std::string recordingPath;  // the tour being recorded, which an import must not replace
};

struct ImportResult {
    bool ok = false;            // read to the end without an error
    bool stored = false;        // the tour file is in place
    std::string tourPath;
    long trackPoints = 0;
    long waypoints = 0;
    std::string message;        // the completion text
    std::string error;          // the error text, if any
};

class TourImport {
public:
    enum class Start { Started, TourFile, UnknownExtension, CannotOpen, TargetIsRecording };

    TourImport() = default;
    ~TourImport();  // waits for the worker
    TourImport(const TourImport&) = delete;
    TourImport& operator=(const TourImport&) = delete;

    // Starts the worker thread unless the file has no importer (TUR files are
    // added to the tour list as they are), cannot be opened, or would replace
    // the tour being recorded.
    Start start(const ImportRequest& request, ImportObserver& observer);
    // Waits for the worker; the result is complete afterwards.
    void join();
    const ImportResult& result() const { return result_; }

    static std::string TargetPathFor(const std::string& source);

private:
    void run();

    ImportRequest request_;
    const ImportFormat* format_ = nullptr;
    ImportObserver* observer_ = nullptr;
    std::unique_ptr<InputSource> input_;
    ImportResult result_;
    std::thread worker_;
};

// The named auto-reset event "TourImportFinished" that the worker signals at its end.
void SignalImportFinished();
// Waits for that event; false when it was not signalled within timeoutMs.
bool WaitImportFinished(uint32_t timeoutMs);

}  // namespace trek
