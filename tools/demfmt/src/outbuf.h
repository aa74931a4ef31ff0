// A growable byte buffer written through a raw pointer (no per-byte checks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace demfmt {

class OutBuf {
 public:
  explicit OutBuf(std::size_t reserve = 0) { buf_.resize(reserve < 64 ? 64 : reserve); }
  // Goes on in `storage` (its bytes are room, not text), grown to `reserve`.
  OutBuf(std::string&& storage, std::size_t reserve) : buf_(std::move(storage)) {
    if (buf_.size() < reserve || buf_.size() < 64) buf_.resize(reserve < 64 ? 64 : reserve);
  }

  // Makes room for k more bytes and returns the write position.
  char* room(std::size_t k) {
    if (n_ + k > buf_.size()) grow(n_ + k);
    return buf_.data() + n_;
  }
  void advance(std::size_t k) { n_ += k; }
  void commit(char* p) { n_ = static_cast<std::size_t>(p - buf_.data()); }

  void put(char c) {
    *room(1) = c;
    ++n_;
  }
  void put(std::string_view s) {
    char* p = room(s.size());
    std::memcpy(p, s.data(), s.size());
    n_ += s.size();
  }
  void put_u8(std::uint8_t v) { put(static_cast<char>(v)); }
  void put_u16(std::uint32_t v) {
    char* p = room(2);
    p[0] = static_cast<char>(v & 0xff);
    p[1] = static_cast<char>((v >> 8) & 0xff);
    n_ += 2;
  }
  void put_u32(std::uint32_t v) {
    char* p = room(4);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xff);
    n_ += 4;
  }
  void patch_u32(std::size_t at, std::uint32_t v) {
    char* d = buf_.data() + at;
    for (int i = 0; i < 4; ++i) d[i] = static_cast<char>((v >> (8 * i)) & 0xff);
  }

  // Hands the text over without a copy: fn(storage, size()) takes the
  // storage and leaves another string in its place; the buffer goes on
  // empty in that one, grown to at least `room` bytes.
  template <class Fn>
  void exchange(const Fn& fn, std::size_t room) {
    fn(buf_, n_);
    n_ = 0;
    if (buf_.size() < room) buf_.resize(room);
  }

  std::size_t size() const { return n_; }
  void truncate(std::size_t n) { n_ = n; }
  char* data() { return buf_.data(); }
  std::string take() {
    buf_.resize(n_);
    return std::move(buf_);
  }

 private:
  void grow(std::size_t need) {
    std::size_t cap = buf_.size() * 2;
    if (cap < need) cap = need;
    buf_.resize(cap);
  }
  std::string buf_;
  std::size_t n_ = 0;
};

}  // namespace demfmt
