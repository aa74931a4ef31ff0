// Write-then-rename: no partial output file is ever left at the target path.
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "demfmt/demfmt.h"

namespace demfmt {

AtomicFile::AtomicFile(const std::string& path) : path_(path) {
    std::random_device rd;
    for (int attempt = 0; attempt < 16 && !f_; ++attempt) {
        tmp_ = path + ".tmp" + std::to_string(rd() % 1000000u);
        f_ = std::fopen(tmp_.c_str(), "wbx");  // exclusive create
    }
    if (!f_) throw Error("cannot create a temporary file beside the output");
}

AtomicFile::~AtomicFile() {
    if (f_) {
        std::fclose(f_);
        std::error_code ec;
        std::filesystem::remove(tmp_, ec);
    }
}

void AtomicFile::write(std::string_view data) {
    if (ok_ && std::fwrite(data.data(), 1, data.size(), f_) != data.size()) ok_ = false;
    if (!ok_) throw Error("cannot write the output file");
}

void AtomicFile::commit() {
    bool ok = ok_ && std::fflush(f_) == 0;
    ok = (std::fclose(f_) == 0) && ok;
    f_ = nullptr;
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(tmp_, path_, ec);
        if (!ec) return;
    }
    std::filesystem::remove(tmp_, ec);
    throw Error("cannot write the output file");
}

void write_file_atomic(const std::string& path, std::string_view data) {
    AtomicFile f(path);
    f.write(data);
    f.commit();
}

}  // namespace demfmt
