#include "cli/output/output_writer.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace tolv::cli {
namespace {

namespace fs = std::filesystem;

// A fresh temporary directory, made the current directory for the test.
class TempDir {
public:
    TempDir() : previous_(fs::current_path()) {
        std::string pattern = (fs::temp_directory_path() / "tolv-writer-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        fs::current_path(root_);
    }
    ~TempDir() {
        fs::current_path(previous_);
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    const fs::path& root() const { return root_; }

private:
    fs::path previous_;
    fs::path root_;
};

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<codegen::GeneratedFile> kFiles = {{"api.ts", "// api\n"}, {"_internal.ts", "// runtime\n"}};

// The real file system, with one step made to fail and a fixed name clock.
class FaultyFileSystem final : public FileSystem {
public:
    enum class Fail { None, Mkdir, Open, Write, Sync, Rename };
    explicit FaultyFileSystem(Fail fail, int error = EIO) : fail_(fail), error_(error) {}

    bool is_directory(const std::string& path) override { return real().is_directory(path); }
    int make_directory(const std::string& path) override {
        return fail_ == Fail::Mkdir ? error_ : real().make_directory(path);
    }
    int open_for_writing(const std::string& path) override {
        opened.push_back(path);
        return fail_ == Fail::Open ? -error_ : real().open_for_writing(path);
    }
    int write_all(int fd, std::string_view data) override {
        if (fail_ == Fail::Write) {
            // A full disk fails after part of the text is down.
            (void)real().write_all(fd, data.substr(0, data.size() / 2));
            return error_;
        }
        return real().write_all(fd, data);
    }
    int sync(int fd) override { return fail_ == Fail::Sync ? error_ : real().sync(fd); }
    void close(int fd) override { real().close(fd); }
    int rename(const std::string& from, const std::string& to) override {
        return fail_ == Fail::Rename ? error_ : real().rename(from, to);
    }
    void remove_file(const std::string& path) override { real().remove_file(path); }
    std::optional<std::string> read_link(const std::string& path) override { return real().read_link(path); }
    std::vector<std::string> list_directory(const std::string& path) override { return real().list_directory(path); }
    std::int64_t process_id() override { return 812; }
    bool process_exists(std::int64_t pid) override { return real().process_exists(pid); }
    Nanos128 nanos_since_epoch() override { return static_cast<Nanos128>(1700000000123456789ULL) * 1000; }

    std::vector<std::string> opened;

private:
    static FileSystem& real() { return real_file_system(); }
    Fail fail_;
    int error_;
};

TEST(OutputDirectory, ChosenFromOut) {
    TempDir dir;
    fs::create_directories("existing/api.ts");
    auto& real = real_file_system();
    EXPECT_EQ(output_directory_for("web/api", real), "web/api");
    EXPECT_EQ(output_directory_for("web/api.ts", real), "web");
    EXPECT_EQ(output_directory_for("api.ts", real), ".");
    EXPECT_EQ(output_directory_for("web/api.", real), "web");
    EXPECT_EQ(output_directory_for("web/api.ts/", real), "web/api.ts/");
    EXPECT_EQ(output_directory_for("existing/api.ts", real), "existing/api.ts");
    EXPECT_EQ(output_directory_for(".", real), ".");
    EXPECT_EQ(output_directory_for("web/.hidden", real), "web/.hidden");
}

TEST(WriteGeneratedFiles, LayoutForEachFormOfOut) {
    TempDir dir;
    fs::create_directories("isdir/api.ts");
    // Symbolic links are written through, the runtime module beside the target.
    fs::create_directories("real/deep");
    fs::create_directories("links");
    fs::create_symlink("real/client.ts", "linked.ts");  // relative to the link's directory
    fs::create_symlink("deep/api.ts", "real/chain.ts");
    fs::create_symlink(dir.root() / "real/chain.ts", "chained.ts");  // a link to a link
    fs::create_symlink("../real/links_api.ts", "links/api.ts");      // a link inside an --out directory
    struct Case {
        std::string out;
        std::string api;
        std::string runtime;
    };
    const Case cases[] = {
        {"web/api", "web/api/api.ts", "web/api/_internal.ts"},
        {"file/api.ts", "file/api.ts", "file/_internal.ts"},
        {"old/api.old", "old/api.old", "old/_internal.ts"},
        {"isdir/api.ts", "isdir/api.ts/api.ts", "isdir/api.ts/_internal.ts"},
        {"new/x.ts/", "new/x.ts/api.ts", "new/x.ts/_internal.ts"},
        {"client.ts", "client.ts", "_internal.ts"},
        {".", "api.ts", "_internal.ts"},
        {"linked.ts", "real/client.ts", "real/_internal.ts"},
        {"chained.ts", "real/deep/api.ts", "real/deep/_internal.ts"},
        {"links", "real/links_api.ts", "links/_internal.ts"},
    };
    for (const auto& c : cases) {
        auto written = write_generated_files(kFiles, c.out);
        ASSERT_TRUE(written.has_value()) << c.out << ": " << written.error().display();
        EXPECT_EQ(read_file(c.api), "// api\n") << c.out;
        EXPECT_EQ(read_file(c.runtime), "// runtime\n") << c.out;
    }
    EXPECT_EQ(entries("new"), std::vector<std::string>{"x.ts"});
    for (const char* link : {"linked.ts", "chained.ts", "real/chain.ts", "links/api.ts"}) {
        EXPECT_TRUE(fs::is_symlink(link)) << link << " is still a link";
    }
    // No temporary file is left anywhere.
    for (const auto& entry : fs::recursive_directory_iterator(dir.root())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
    }
}

TEST(WriteFileAtomically, RemovesTheStaleTemporariesOfThatFileOnly) {
    TempDir dir;
    // A process that has come and gone: its id is free now.
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ASSERT_GT(dead, 0);
    ::waitpid(dead, nullptr, 0);
    const std::string live = std::to_string(::getpid());
    const std::string gone = std::to_string(dead);
    const std::vector<std::string> removed = {".api.ts.tmp-" + gone + "-1700000000000000000"};
    const std::vector<std::string> kept = {
        ".api.ts.tmp-" + live + "-17",       // a live process: perhaps writing now
        ".api.ts.tmp-1-17",                  // pid 1 always exists
        "._internal.ts.tmp-" + gone + "-1",  // another file's
        ".api.ts.tmp-" + gone,               // not the full pattern
        ".api.ts.tmp-" + gone + "-1x",
        ".api.ts.tmp-0-1",  // no process has id 0
        ".api.ts.tmp-99999999999999999999-1",
        "api.ts.tmp-" + gone + "-1",
    };
    for (const auto& name : removed) std::ofstream(name) << "partial";
    for (const auto& name : kept) std::ofstream(name) << "partial";
    ASSERT_TRUE(write_file_atomically("api.ts", "// api\n").has_value());
    for (const auto& name : removed) EXPECT_FALSE(fs::exists(name)) << name;
    for (const auto& name : kept) EXPECT_TRUE(fs::exists(name)) << name;
    EXPECT_EQ(read_file("api.ts"), "// api\n");
}

TEST(WriteGeneratedFiles, TemporaryNameSitsBesideTheDestination) {
    TempDir dir;
    FaultyFileSystem faulty(FaultyFileSystem::Fail::None);
    ASSERT_TRUE(write_generated_files(kFiles, "api.ts", faulty).has_value());
    ASSERT_EQ(faulty.opened.size(), 2u);
    EXPECT_EQ(faulty.opened[0], "./._internal.ts.tmp-812-1700000000123456789000");
    EXPECT_EQ(faulty.opened[1], "./.api.ts.tmp-812-1700000000123456789000");
}

TEST(WriteGeneratedFiles, ReplacesAReadOnlyDestination) {
    TempDir dir;
    fs::create_directories("out");
    { std::ofstream("out/api.ts") << "old"; }
    fs::permissions("out/api.ts", fs::perms::owner_read);
    ASSERT_TRUE(write_generated_files(kFiles, "out").has_value());
    EXPECT_EQ(read_file("out/api.ts"), "// api\n");
}

struct FailureCase {
    FaultyFileSystem::Fail fail;
    std::string message;
};

TEST(WriteFileAtomically, EachFailureNamesItsStepAndLeavesNoTemporaryFile) {
    const std::string tmp = "out/._internal.ts.tmp-812-1700000000123456789000";
    const FailureCase cases[] = {
        {FaultyFileSystem::Fail::Open,
         "failed to write out/_internal.ts: failed to create temporary file " + tmp + ": Permission denied (os error 13)"},
        {FaultyFileSystem::Fail::Write, "failed to write out/_internal.ts: failed to write temporary file " + tmp +
                                            ": No space left on device (os error 28)"},
        {FaultyFileSystem::Fail::Sync,
         "failed to write out/_internal.ts: failed to sync temporary file " + tmp + ": Input/output error (os error 5)"},
        {FaultyFileSystem::Fail::Rename, "failed to write out/_internal.ts: failed to atomically replace out/_internal.ts with " +
                                             tmp + ": Is a directory (os error 21)"},
    };
    const int errors[] = {EACCES, ENOSPC, EIO, EISDIR};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        TempDir dir;
        fs::create_directories("out");
        { std::ofstream("out/api.ts") << "old"; }
        FaultyFileSystem faulty(cases[i].fail, errors[i]);
        auto written = write_generated_files(kFiles, "out", faulty);
        ASSERT_FALSE(written.has_value());
        EXPECT_EQ(written.error().display(), cases[i].message);
        // The runtime module comes first: api.ts is not attempted and keeps
        // its old content, and the temporary file is gone.
        EXPECT_EQ(read_file("out/api.ts"), "old");
        EXPECT_EQ(entries("out"), std::vector<std::string>{"api.ts"});
    }
}

// The runtime module is written first, so a failure to replace api.ts never
// leaves an api.ts whose import is missing.
TEST(WriteGeneratedFiles, DestinationThatIsADirectoryFailsOnRenameWithoutLeftovers) {
    TempDir dir;
    fs::create_directories("web/api/api.ts/inner");
    auto written = write_generated_files(kFiles, "web/api");
    ASSERT_FALSE(written.has_value());
    EXPECT_TRUE(written.error().display().starts_with(
        "failed to write web/api/api.ts: failed to atomically replace web/api/api.ts with web/api/.api.ts.tmp-"))
        << written.error().display();
    EXPECT_EQ(entries("web/api"), (std::vector<std::string>{"_internal.ts", "api.ts"}));
    EXPECT_EQ(read_file("web/api/_internal.ts"), "// runtime\n");
}

TEST(WriteGeneratedFiles, OutputDirectoryThatCannotBeCreated) {
    TempDir dir;
    { std::ofstream("blocker") << "a file"; }
    auto written = write_generated_files(kFiles, "blocker/web");
    ASSERT_FALSE(written.has_value());
    EXPECT_EQ(written.error().display(),
              "failed to create output directory blocker/web: Not a directory (os error 20)");

    FaultyFileSystem faulty(FaultyFileSystem::Fail::Mkdir, EACCES);
    auto denied = write_generated_files(kFiles, "fresh/dir", faulty);
    ASSERT_FALSE(denied.has_value());
    EXPECT_EQ(denied.error().display(), "failed to create output directory fresh/dir: Permission denied (os error 13)");
}

TEST(WriteFileAtomically, PathWithoutFileName) {
    TempDir dir;
    auto written = write_file_atomically("web/..", "x");
    ASSERT_FALSE(written.has_value());
    EXPECT_EQ(written.error().display(), "output path web/.. has no file name");
}

TEST(WriteFileAtomically, MessagesShowInvalidUtf8Replaced) {
    TempDir dir;
    FaultyFileSystem faulty(FaultyFileSystem::Fail::Open, EACCES);
    auto written = write_generated_files(kFiles, "bad\xFF", faulty);
    ASSERT_FALSE(written.has_value());
    EXPECT_EQ(written.error().display(),
              "failed to write bad\xEF\xBF\xBD/_internal.ts: failed to create temporary file "
              "bad\xEF\xBF\xBD/._internal.ts.tmp-812-1700000000123456789000: Permission denied (os error 13)");
}

}  // namespace
}  // namespace tolv::cli
