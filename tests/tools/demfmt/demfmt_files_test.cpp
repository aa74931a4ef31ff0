// The converter's files: what a path names decides how it is read or written;
// nothing is replaced that is not a regular file, and nothing partial stays.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "demfmt_test_util.h"

namespace {

using namespace demfmt_test;
namespace fs = std::filesystem;

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(CLIPVEX_BINARY_DIR) / "demfmt_files_test" /
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string write(const std::string& name, const std::string& data) const {
        std::ofstream(dir / name, std::ios::binary) << data;
        return path(name);
    }
    static std::string read(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::vector<std::string> names() const {
        std::vector<std::string> v;
        for (const auto& e : fs::directory_iterator(dir)) v.push_back(e.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    }
    // The message of the FileError that f throws, or "" when none.
    template <class F>
    static std::string file_error(F f, std::string* named = nullptr) {
        try {
            f();
        } catch (const demfmt::FileError& e) {
            if (named) *named = e.path();
            return e.what();
        }
        return "";
    }
    fs::path dir;
};

// A pipe's reading end by path, with a thread writing `chunks` pieces of
// `piece` into it (forever when chunks is 0, until the reader goes).
struct FedPipe {
    int fds[2];
    std::thread writer;
    FedPipe(std::string piece, int chunks) {
        if (::pipe(fds) != 0) throw std::runtime_error("pipe");
        int w = fds[1];
        writer = std::thread([w, piece, chunks] {
            for (int i = 0; chunks == 0 || i < chunks; ++i)
                if (::write(w, piece.data(), piece.size()) < 0) break;
            ::close(w);
        });
    }
    std::string path() const { return "/dev/fd/" + std::to_string(fds[0]); }
    ~FedPipe() {
        ::close(fds[0]);  // an endless writer gets EPIPE and stops
        writer.join();
    }
};

struct IgnoreSigpipe {
    void (*old)(int) = std::signal(SIGPIPE, SIG_IGN);
    ~IgnoreSigpipe() { std::signal(SIGPIPE, old); }
};

TEST_F(Files, InputsThatAreNoFileAreRefusedWithTheirKind) {
    fs::create_directories(dir / "folder");
    std::string named;
    EXPECT_EQ(file_error([&] { demfmt::InputFile f(path("folder")); }, &named), "is a folder, not a file");
    EXPECT_EQ(named, path("folder"));
    EXPECT_EQ(file_error([] { demfmt::InputFile f("/dev/zero"); }), "is a character device, not a file");
    EXPECT_EQ(file_error([&] { demfmt::InputFile f(path("missing.dem")); }),
              "cannot open: No such file or directory");
    const std::string file = write("a.dem", "x");
    EXPECT_EQ(file_error([&] { demfmt::InputFile f(file + "/inner.dem"); }), "cannot open: Not a directory");
}

TEST_F(Files, AFileIsReadWholeOrInPieces) {
    std::string data(300000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
    const std::string p = write("data.bin", data);
    demfmt::InputFile whole(p);
    EXPECT_TRUE(whole.regular());
    EXPECT_TRUE(whole.whole() == data);
    EXPECT_EQ(demfmt::read_file(p), data);

    demfmt::InputFile pieces(p);
    std::string got;
    char buf[4096];
    while (std::size_t k = pieces.read(buf, sizeof buf)) got.append(buf, k);
    EXPECT_TRUE(got == data);

    EXPECT_EQ(demfmt::read_file(write("empty.dem", "")), "");
}

// A pipe is read as far as it goes, but not past the limit: an endless one
// ends in an error, and the buffer never runs far ahead of what arrived.
TEST_F(Files, APipeIsReadUpToItsLimit) {
    IgnoreSigpipe quiet;
    {
        FedPipe pipe(std::string(1000, 'd'), 100);  // exactly the limit
        demfmt::InputFile in(pipe.path(), 100000);
        EXPECT_FALSE(in.regular());
        EXPECT_EQ(in.whole(), std::string(100000, 'd'));
    }
    {
        FedPipe pipe(std::string(1000, 'd'), 0);
        demfmt::InputFile in(pipe.path(), 100000);
        std::string named;
        EXPECT_EQ(file_error([&] { in.whole(); }, &named),
                  "stopped reading after 100000 bytes without an end: no demo or dump is that long "
                  "(--pipe-limit=BYTES sets the limit)");
        EXPECT_EQ(named, pipe.path());
    }
    {
        FedPipe pipe("block {\n", 0);
        demfmt::InputFile in(pipe.path(), 50000);
        char buf[8192];
        std::size_t total = 0;
        EXPECT_NE(file_error([&] {
                      while (std::size_t k = in.read(buf, sizeof buf)) total += k;
                  }),
                  "");
        EXPECT_LE(total, 50000u);
    }
}

TEST_F(Files, SameFileUnderAnyName) {
    const std::string a = write("a.dem", "demo");
    const std::string b = write("b.dem", "demo");
    fs::create_directories(dir / "sub");
    fs::create_symlink("a.dem", dir / "link.dem");
    fs::create_hard_link(dir / "a.dem", dir / "hard.dem");
    demfmt::InputFile in(a);
    EXPECT_TRUE(in.same_file_as(a));
    EXPECT_TRUE(in.same_file_as(path("sub/../a.dem")));
    EXPECT_TRUE(in.same_file_as(path("link.dem")));
    EXPECT_TRUE(in.same_file_as(path("hard.dem")));
    EXPECT_FALSE(in.same_file_as(b));
    EXPECT_FALSE(in.same_file_as(path("new.dem")));
}

// A regular file or a new name is replaced only by a complete file, keeps
// its permissions, and a link keeps leading to it.
TEST_F(Files, AFileIsReplacedWholeThroughATemporaryFile) {
    const std::string target = write("out.txt", "old");
    ::chmod(target.c_str(), 0640);
    {
        demfmt::OutputFile f(target);
        EXPECT_FALSE(f.in_place());
        f.write("new ");
        EXPECT_EQ(read(target), "old");
        EXPECT_EQ(names().size(), 2u) << "the temporary file stands beside the target";
    }
    EXPECT_EQ(read(target), "old") << "uncommitted: the target stays";
    EXPECT_EQ(names(), std::vector<std::string>{"out.txt"});

    {
        demfmt::OutputFile f(target);
        f.write("new text");
        f.commit();
    }
    EXPECT_EQ(read(target), "new text");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    fs::create_symlink("out.txt", dir / "link.txt");
    fs::create_symlink("later.txt", dir / "dangling.txt");
    demfmt::write_file_atomic(path("link.txt"), "through the link");
    demfmt::write_file_atomic(path("dangling.txt"), "made at the link's end");
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.txt"));
    EXPECT_EQ(read(target), "through the link");
    EXPECT_EQ(read(path("later.txt")), "made at the link's end");
}

TEST_F(Files, OutputsThatCannotBeReplacedAreRefused) {
    fs::create_directories(dir / "folder");
    std::string named;
    EXPECT_EQ(file_error([&] { demfmt::OutputFile f(path("folder")); }, &named), "is a folder, not a file");
    EXPECT_EQ(named, path("folder"));
    EXPECT_EQ(file_error([&] { demfmt::OutputFile f(path("no/such/folder/out.txt")); }, &named),
              "cannot create a temporary file beside it: No such file or directory");
    EXPECT_EQ(named, path("no/such/folder/out.txt"));
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
}

// A FIFO stands for a device: written in place, opened only when the first
// byte goes out, never replaced by a regular file.
TEST_F(Files, APipeOrDeviceIsWrittenInPlace) {
    const std::string fifo = path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A reader is there before the output opens (the text fits the pipe).
    int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    {
        demfmt::OutputFile f(fifo);
        EXPECT_TRUE(f.in_place());
        EXPECT_TRUE(f.temporary().empty());
        std::string buffer = "first piece, ";
        f.exchange(buffer, buffer.size());
        f.write("second piece");
        f.commit();
    }
    std::string received;
    char buf[256];
    for (ssize_t k; (k = ::read(reader, buf, sizeof buf)) > 0;) received.append(buf, static_cast<std::size_t>(k));
    ::close(reader);
    EXPECT_EQ(received, "first piece, second piece");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(names(), std::vector<std::string>{"fifo"});

    demfmt::OutputFile null("/dev/null");
    EXPECT_TRUE(null.in_place());
    null.write("gone");
    null.commit();
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// Handed-over buffers are written in order while the caller goes on; the
// buffers that come back are ones already written.
TEST_F(Files, ExchangedBuffersAreWrittenInOrder) {
    const std::string target = path("out.txt");
    std::string want;
    {
        demfmt::OutputFile f(target);
        std::string buffer;
        for (int i = 0; i < 200; ++i) {
            std::string piece = "piece " + std::to_string(i) + " " + std::string(static_cast<std::size_t>(i * 97 % 5000), 'a' + static_cast<char>(i % 26)) + "\n";
            if (buffer.size() < piece.size() + 3) buffer.resize(piece.size() + 3);
            std::memcpy(buffer.data(), piece.data(), piece.size());
            want += piece;
            f.exchange(buffer, piece.size());
        }
        f.commit();
    }
    EXPECT_TRUE(read(target) == want);
}

// A write that fails on the writing thread is reported by the caller's next
// step, naming the output and the system's reason.
TEST_F(Files, AFailedBackgroundWriteIsReported) {
    IgnoreSigpipe quiet;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const std::string out = "/dev/fd/" + std::to_string(fds[1]);
    std::string named;
    std::string message = file_error(
        [&] {
            demfmt::OutputFile f(out);
            std::string buffer(1000, 'x');
            f.exchange(buffer, 1000);  // opens the pipe while it has a reader
            ::close(fds[0]);           // then the reader goes
            for (int i = 0; i < 10; ++i) f.exchange(buffer, 1000);
            f.commit();
        },
        &named);
    ::close(fds[1]);
    EXPECT_EQ(message, "cannot write: Broken pipe");
    EXPECT_EQ(named, out);
}

}  // namespace
