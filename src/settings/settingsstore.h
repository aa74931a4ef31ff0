// Where the configuration is kept between runs, and how it is loaded into
// the Settings record. The store is a flat set of named values; names are
// matched without regard to letter case, so a value written as
// "WinQuakePath" is found again as "WinQuakepath".
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "settings/settings.h"

namespace clipvex {

// Value names as the configuration dialog writes them.
inline constexpr std::string_view kWinQuakePathValue = "WinQuakePath";
inline constexpr std::string_view kLmpcPathValue = "lmpcpath";
inline constexpr std::string_view kDemPathValue = "dempath";
inline constexpr std::string_view kAddParamsValue = "addparams";
inline constexpr std::string_view kFastPreviewValue = "fastpre";
// The engine profile's name; a store without it uses "WinQuake".
inline constexpr std::string_view kProfileValue = "profile";
// Options > Live thumbnails, 1 on (also when missing) or 0 off.
inline constexpr std::string_view kLiveThumbnailsValue = "livethumbs";
// The game folder is looked up under this spelling (any case matches).
inline constexpr std::string_view kWinQuakePathReadName = "WinQuakepath";

class SettingsStore {
 public:
  enum class Read {
    Ok,         // the value was read
    Missing,    // no value of that name
    WrongType,  // a value of that name exists but is not of the asked type
  };

  virtual ~SettingsStore() = default;

  // Whether the store holds anything at all; false on the first run.
  virtual bool KeyExists() const = 0;

  // Strings are the editor's bytes (file names in the file system's
  // encoding). `out` is only changed when the result is Ok.
  virtual Read ReadString(std::string_view name, std::string& out) const = 0;
  virtual Read ReadInteger(std::string_view name, std::int32_t& out) const = 0;

  // A write replaces a value of the same name in any letter case. False
  // when the store refuses the value.
  virtual bool WriteString(std::string_view name, const std::string& value) = 0;
  virtual bool WriteInteger(std::string_view name, std::int32_t value) = 0;

  // Makes the writes so far permanent; false when that failed.
  virtual bool Flush() = 0;
};

// A store held in memory: the store of tests, and a stand-in wherever the
// real store cannot be used. It can be made to refuse writes.
class MemorySettingsStore : public SettingsStore {
 public:
  // A value that is neither text nor an integer, such as binary data.
  struct Binary {
    std::string bytes;
    bool operator==(const Binary&) const = default;
  };
  using Value = std::variant<std::string, std::int32_t, Binary>;

  bool KeyExists() const override { return !values_.empty(); }
  Read ReadString(std::string_view name, std::string& out) const override;
  Read ReadInteger(std::string_view name, std::int32_t& out) const override;
  bool WriteString(std::string_view name, const std::string& value) override;
  bool WriteInteger(std::string_view name, std::int32_t value) override;
  bool Flush() override;

  // Puts any kind of value, writable or not (for preparing a store).
  void Put(std::string_view name, Value value);
  void Remove(std::string_view name);
  void Clear() { values_.clear(); }

  // The value of `name` in any letter case, or nullptr.
  const Value* Find(std::string_view name) const;
  // The names as last written, in the store's order.
  std::vector<std::string> Names() const;

  void SetWritable(bool writable) { writable_ = writable; }
  int writes() const { return writes_; }    // accepted writes
  int flushes() const { return flushes_; }  // Flush calls

 private:
  struct NameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  std::map<std::string, Value, NameLess> values_;
  bool writable_ = true;
  int writes_ = 0;
  int flushes_ = 0;
};

// Loads the configuration from `store` into `settings`, with the engine
// profile it names (from the built-in ones and the user's profile folder).
// When the store is empty, a value has the wrong type, the folders do not
// name existing directories, or the profile is unknown or its program
// missing, `requestConfiguration` is called so the user can set them.
// Values read before a failing read stay assigned. Returns whether the
// configuration was complete and valid.
bool LoadSettings(Settings& settings, const SettingsStore& store, const std::function<void()>& requestConfiguration);

// Why the stored configuration cannot be used, in sentences for the user
// (one a line: "The game folder '/x/' does not exist."); empty when
// LoadSettings would accept it.
std::string ConfigurationProblem(const SettingsStore& store);

// Options > Live thumbnails as stored: on unless the store holds 0.
bool ReadLiveThumbnails(const SettingsStore& store);
// Stores the option and makes it permanent; false when the store refused.
bool WriteLiveThumbnails(SettingsStore& store, bool on);

// What a folder setting names.
enum class FolderState { Folder, NotSet, Missing, NotAFolder };
FolderState CheckFolder(const std::string& path);

}  // namespace clipvex
