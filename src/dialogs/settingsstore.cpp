#include "dialogs/settingsstore.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace clipvex {
namespace {

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Reads a string value where a missing one counts as empty text. False when
// the stored value is not text.
bool ReadText(const SettingsStore& store, std::string_view name, std::string& out) {
  std::string text;
  switch (store.ReadString(name, text)) {
    case SettingsStore::Read::Ok:
      out = std::move(text);
      return true;
    case SettingsStore::Read::Missing:
      out.clear();
      return true;
    case SettingsStore::Read::WrongType:
      break;
  }
  return false;
}

bool IsExistingDirectory(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_directory(std::filesystem::path(path), ec);
}

}  // namespace

bool MemorySettingsStore::NameLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return FoldCase(x) < FoldCase(y); });
}

const MemorySettingsStore::Value* MemorySettingsStore::Find(std::string_view name) const {
  const auto it = values_.find(name);
  return it == values_.end() ? nullptr : &it->second;
}

SettingsStore::Read MemorySettingsStore::ReadString(std::string_view name, std::string& out) const {
  const Value* value = Find(name);
  if (value == nullptr) return Read::Missing;
  const std::string* text = std::get_if<std::string>(value);
  if (text == nullptr) return Read::WrongType;
  out = *text;
  return Read::Ok;
}

SettingsStore::Read MemorySettingsStore::ReadInteger(std::string_view name, std::int32_t& out) const {
  const Value* value = Find(name);
  if (value == nullptr) return Read::Missing;
  const std::int32_t* number = std::get_if<std::int32_t>(value);
  if (number == nullptr) return Read::WrongType;
  out = *number;
  return Read::Ok;
}

void MemorySettingsStore::Put(std::string_view name, Value value) {
  // The name keeps the spelling of its latest write.
  Remove(name);
  values_.emplace(std::string(name), std::move(value));
}

void MemorySettingsStore::Remove(std::string_view name) {
  const auto it = values_.find(name);
  if (it != values_.end()) values_.erase(it);
}

bool MemorySettingsStore::WriteString(std::string_view name, const std::string& value) {
  if (!writable_) return false;
  Put(name, value);
  ++writes_;
  return true;
}

bool MemorySettingsStore::WriteInteger(std::string_view name, std::int32_t value) {
  if (!writable_) return false;
  Put(name, value);
  ++writes_;
  return true;
}

bool MemorySettingsStore::Flush() {
  ++flushes_;
  return writable_;
}

std::vector<std::string> MemorySettingsStore::Names() const {
  std::vector<std::string> names;
  names.reserve(values_.size());
  for (const auto& entry : values_) names.push_back(entry.first);
  return names;
}

bool LoadSettings(Settings& settings, const SettingsStore& store, const std::function<void()>& requestConfiguration) {
  const auto request = [&requestConfiguration] {
    if (requestConfiguration) requestConfiguration();
    return false;
  };
  if (!store.KeyExists()) return request();

  if (!ReadText(store, kWinQuakePathReadName, settings.WinQuakePath)) return request();
  if (!ReadText(store, kLmpcPathValue, settings.lmpcpath)) return request();
  if (!ReadText(store, kDemPathValue, settings.dempath)) return request();
  // The game folder normally ends with the separator already; the doubled
  // one is harmless and keeps a hand-edited folder without it working.
  settings.previewpath = settings.WinQuakePath;
  settings.previewpath += kPathSeparator;
  settings.previewpath += settings.dempath;
  settings.previewpath += kPathSeparator;
  if (!ReadText(store, kAddParamsValue, settings.addparams)) return request();
  std::int32_t fast = 0;
  if (store.ReadInteger(kFastPreviewValue, fast) != SettingsStore::Read::Ok) return request();
  settings.fastpre = fast != 0;

  if (!IsExistingDirectory(settings.WinQuakePath) || !IsExistingDirectory(settings.lmpcpath) ||
      !IsExistingDirectory(settings.previewpath)) {
    return request();
  }
  return true;
}

}  // namespace clipvex
