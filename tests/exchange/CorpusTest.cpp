// Real files from other programs, when the shared corpus is beside the
// repository: each must import without an error and give something.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/exchange/RecordingSink.h"
#include "tours/exchange/TourImport.h"

namespace trek {
namespace {

namespace fs = std::filesystem;

TEST(Corpus, RealFilesImport) {
    const fs::path corpus = fs::path(TREK_SOURCE_DIR) / ".." / "shared" / "corpus";
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    int files = 0;
    for (const char* folder : {"gpx", "kml", "loc"}) {
        if (!fs::is_directory(corpus / folder)) continue;
        for (const auto& entry : fs::directory_iterator(corpus / folder)) {
            const std::string path = entry.path().string();
            const ImportFormat* format = FindImportFormat(path);
            if (!format || !format->make) continue;
            FileInput input;
            ASSERT_TRUE(input.open(path)) << path;
            test::RecordingSink sink;
            ImportOutcome out = format->make(path)->run(input, sink, nullptr);
            EXPECT_TRUE(out.ok) << path << ": " << out.error;
            EXPECT_GT(sink.items.size(), 0u) << path;
            EXPECT_EQ(static_cast<long>(sink.items.size()), out.trackPoints + out.waypoints) << path;
            ++files;
        }
    }
    EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace trek
