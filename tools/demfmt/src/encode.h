// Dump lines -> binary message bytes (the compiler of one message line).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "outbuf.h"
#include "protocol.h"

namespace demfmt {

// Tokens of one line, separated by blanks or tabs.
struct Toks {
    const char* p;
    const char* e;
    std::string_view next() {
        while (p < e && (*p == ' ' || *p == '\t')) ++p;
        const char* s = p;
        while (p < e && *p != ' ' && *p != '\t') ++p;
        return {s, static_cast<std::size_t>(p - s)};
    }
    bool done() {
        while (p < e && (*p == ' ' || *p == '\t')) ++p;
        return p >= e;
    }
};

class LineError {
public:
    std::string what;
};

// Encodes one message line (the keyword already split off). `str` is the
// unescaped string of a line that ends in "TEXT"; (empty otherwise).
// Throws LineError.
class MessageEncoder {
public:
    MessageEncoder(OutBuf& out, Proto& proto) : out_(out), proto_(proto) {}

    // Returns false when the keyword is unknown.
    bool encode(std::string_view kw, Toks& t, const std::string* str);
    // Serverinfo precache lists pending after a serverinfo line.
    bool serverinfo_open() const { return si_open_; }
    void close_serverinfo();

    [[noreturn]] static void fail(std::string msg) { throw LineError{std::move(msg)}; }

private:
    std::int64_t ival(Toks& t, std::int64_t lo, std::int64_t hi, const char* what);
    void expect(Toks& t, std::string_view key);
    std::int64_t kv(Toks& t, std::string_view key, std::int64_t lo, std::int64_t hi);
    void coord(Toks& t);
    void angle(Toks& t);
    void coords3(Toks& t) { coord(t); coord(t); coord(t); }
    void u8(std::int64_t v) { out_.put_u8(static_cast<std::uint8_t>(v & 0xff)); }
    void u16(std::int64_t v) { out_.put_u16(static_cast<std::uint32_t>(v & 0xffff)); }
    void str(const std::string* s);
    void entity(Toks& t, std::uint32_t bits);
    void clientdata(Toks& t);
    void sound(Toks& t);
    void baseline(Toks& t, bool v2);
    void tempentity(Toks& t);

    OutBuf& out_;
    Proto& proto_;
    bool si_open_ = false;
    int si_list_ = 0;
};

}  // namespace demfmt
