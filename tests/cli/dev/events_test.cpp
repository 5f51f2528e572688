#include "cli/dev/events.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/generate/generate_client.hpp"
#include "dev_test_support.hpp"

namespace tolv::cli {
namespace {

TEST(WatchPattern, MatchesByTheRulesOfPrefixSuffixAndSubstring) {
    struct Case {
        const char* pattern;
        const char* path;
        bool matches;
    };
    const Case cases[] = {
        {"*", "/p/anything", true},
        {"**/*", "/p/notes.txt", true},
        {"models", "/p/app/models/user.py", true},
        {"models", "/p/app/views.py", false},
        {"", "/p/x", true},
        {"*.py", "/p/app/model.py", true},
        {"*.py", "/p/app/model.pyc", false},
        {"**/*.py", "/p/deep/er/model.py", true},
        {"**/**/*.py", "/p/model.py", true},
        {"**/*.py", "/p/model.txt", false},
        {"/p/src/*", "/p/src/a.py", true},
        {"/p/src/*", "/p/lib/a.py", false},
        {"/p/*/a.py", "/p/src/a.py", true},
        // Prefix and suffix may overlap: both are tested on the whole text.
        {"/p/a*a", "/p/a", true},
        {"/p/ab*c", "/p/ab", false},
        // Paths are absolute, so a relative directory never matches.
        {"src/*.py", "/p/src/a.py", false},
        // Only the last star splits; earlier ones are ordinary characters.
        {"/p/*/x*.py", "/p/*/xy.py", true},
        {"/p/*/x*.py", "/p/q/xy.py", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(watch_pattern_matches(c.pattern, c.path), c.matches) << c.pattern << " on " << c.path;
    }
}

TEST(PyExtension, OnlyAnExactLowerCasePyExtensionCounts) {
    EXPECT_TRUE(has_py_extension("/p/model.py"));
    EXPECT_TRUE(has_py_extension("/p/..py"));
    EXPECT_TRUE(has_py_extension("/p/archive.tar.py"));
    EXPECT_FALSE(has_py_extension("/p/model.PY"));
    EXPECT_FALSE(has_py_extension("/p/.py"));
    EXPECT_FALSE(has_py_extension("/p/notes.txt"));
    EXPECT_FALSE(has_py_extension("/p/model.pyc"));
    EXPECT_FALSE(has_py_extension("/p/model.py~"));
    EXPECT_FALSE(has_py_extension("/p.py/model"));
}

WatchResult event(WatchEventKind kind, std::vector<std::string> paths) { return WatchEvent{kind, std::move(paths)}; }

TEST(WatchedEventResult, DefaultRuleWantsAPyPathInANonAccessEvent) {
    const OwnOutputs none;
    EXPECT_TRUE(watched_event_result(event(WatchEventKind::Modify, {"/p/model.py"}), {}, none));
    EXPECT_TRUE(watched_event_result(event(WatchEventKind::Rename, {"/p/a.txt", "/p/a.py"}), {}, none));
    EXPECT_TRUE(watched_event_result(event(WatchEventKind::Remove, {"/p/a.py"}), {}, none));
    EXPECT_FALSE(watched_event_result(event(WatchEventKind::Access, {"/p/model.py"}), {}, none));
    EXPECT_FALSE(watched_event_result(event(WatchEventKind::Modify, {}), {}, none));
    EXPECT_FALSE(watched_event_result(event(WatchEventKind::Create, {"/p/notes.txt"}), {}, none));
}

TEST(WatchedEventResult, PatternsReplaceTheDefaultRule) {
    const OwnOutputs none;
    const std::vector<std::string> globs{"models", "*.toml"};
    EXPECT_TRUE(watched_event_result(event(WatchEventKind::Modify, {"/p/models/user.txt"}), globs, none));
    EXPECT_TRUE(watched_event_result(event(WatchEventKind::Create, {"/p/x/pyproject.toml"}), globs, none));
    EXPECT_FALSE(watched_event_result(event(WatchEventKind::Modify, {"/p/app.py"}), globs, none));
    EXPECT_FALSE(watched_event_result(event(WatchEventKind::Access, {"/p/models/a"}), globs, none));
    const std::vector<std::string> everything{"*"};
    EXPECT_TRUE(watched_event_result(event(WatchEventKind::Other, {"/p/x"}), everything, none));
    EXPECT_FALSE(watched_event_result(event(WatchEventKind::Other, {}), everything, none));
}

TEST(WatchedEventResult, PathsWithInvalidUtf8AreMatchedAsReplacedText) {
    const OwnOutputs none;
    EXPECT_TRUE(watched_event_result(event(WatchEventKind::Modify, {"/p/a\xff.txt"}), {"a\xEF\xBF\xBD."}, none));
    EXPECT_TRUE(watched_event_result(event(WatchEventKind::Modify, {"/p/\xffmodel.py"}), {}, none));
}

TEST(WatchedEventResult, WatcherErrorsArePrintedAndNotRelevantButAnOverflowIs) {
    struct Case {
        WatchResult result;
        bool relevant;
        const char* printed;
    };
    const Case cases[] = {
        {std::unexpected(Error("cannot read")), false, "cannot read\n"},
        // Whatever the patterns: the lost events may have been relevant.
        {event(WatchEventKind::Overflow, {"/p"}), true, "inotify event queue overflowed; some file events were lost\n"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(watched_event_result(c.result, {"nothing"}, OwnOutputs{}), c.relevant);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("Error: file watcher event failed: ") + c.printed);
    }
}

TEST(WatchedEventResult, OwnOutputFilesNeverTriggerARegeneration) {
    const OwnOutputs own({"/p/web/api.ts", "/p/web/_internal.ts"}, 4242);
    const std::vector<std::string> everything{"*"};
    const char* own_paths[] = {
        "/p/web/api.ts",
        "/p/web/_internal.ts",
        "/p/web/.api.ts.tmp-4242-1723456789000000000",
        "/p/web/._internal.ts.tmp-4242-17",
    };
    for (const char* path : own_paths) {
        EXPECT_FALSE(watched_event_result(event(WatchEventKind::Create, {path}), everything, own)) << path;
    }
    EXPECT_FALSE(watched_event_result(event(WatchEventKind::Rename, {"/p/web/.api.ts.tmp-4242-9", "/p/web/api.ts"}),
                                      everything, own));

    const char* foreign_paths[] = {
        "/p/web/.api.ts.tmp-999-1",  // another process's temporary file
        "/p/web/other.ts",
        "/p/api.ts",
        "/p/web/api.ts.bak",
        "/p/web/.api.ts.tmp-4242-1/x",  // not a sibling
    };
    for (const char* path : foreign_paths) {
        EXPECT_TRUE(watched_event_result(event(WatchEventKind::Create, {path}), everything, own)) << path;
    }
    // One foreign path among own ones makes the event relevant.
    EXPECT_TRUE(watched_event_result(event(WatchEventKind::Rename, {"/p/web/api.ts", "/p/x.py"}), everything, own));
}

TEST(OwnOutputsFor, FollowsTheWritersChoiceOfDestinations) {
    testing_support::TempDir cwd;
    std::filesystem::create_directories(cwd.path() / "existing.ts");
    std::filesystem::create_directories(cwd.path() / "real");
    std::filesystem::create_directory_symlink(cwd.path() / "real", cwd.path() / "link");
    std::filesystem::create_symlink("real/module.ts", cwd.path() / "module.ts");
    const std::string root = cwd.path().string();
    struct Case {
        std::string out;
        Language language;
        std::string api;
        std::string runtime;
    };
    const Case cases[] = {
        {"web", Language::Typescript, root + "/web/api.ts", root + "/web/_internal.ts"},
        {"web/sub", Language::Effect, root + "/web/sub/api.ts", root + "/web/sub/_effect_internal.ts"},
        {"web/client.ts", Language::Typescript, root + "/web/client.ts", root + "/web/_internal.ts"},
        {"client.ts", Language::Effect, root + "/client.ts", root + "/_effect_internal.ts"},
        {"existing.ts", Language::Typescript, root + "/existing.ts/api.ts", root + "/existing.ts/_internal.ts"},
        {".", Language::Typescript, root + "/api.ts", root + "/_internal.ts"},
        {"web/../out", Language::Typescript, root + "/out/api.ts", root + "/out/_internal.ts"},
        {"link/gen", Language::Typescript, root + "/real/gen/api.ts", root + "/real/gen/_internal.ts"},
        // Written through the link: the target and the runtime module beside it.
        {"module.ts", Language::Effect, root + "/real/module.ts", root + "/real/_effect_internal.ts"},
        {"/elsewhere/x", Language::Typescript, "/elsewhere/x/api.ts", "/elsewhere/x/_internal.ts"},
    };
    for (const auto& c : cases) {
        const auto files = generate_client(c.language, {}, schema::ApiGraph{})->files;
        const OwnOutputs own = own_outputs_for(root, c.out, files, 77);
        EXPECT_TRUE(own.contains(c.api)) << c.out;
        EXPECT_TRUE(own.contains(c.runtime)) << c.out;
        const auto slash = c.api.rfind('/');
        EXPECT_TRUE(own.contains(c.api.substr(0, slash + 1) + "." + c.api.substr(slash + 1) + ".tmp-77-5")) << c.out;
        EXPECT_FALSE(own.contains(root + "/app.py")) << c.out;
    }
}

}  // namespace
}  // namespace tolv::cli
