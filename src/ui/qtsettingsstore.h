// The configuration kept by QSettings: the current user's registry key
// "Software\Clipvex" on Windows, the per-user file "Clipvex/Clipvex.conf" in
// the user's configuration folder elsewhere.
#pragma once

#include <QString>
#include <memory>

#include "settings/settingsstore.h"

class QSettings;

namespace clipvex {

// The editor's own store. Other parts (the tool bars, under "ToolBars/")
// keep their state in the same place through this.
std::unique_ptr<QSettings> OpenClipvexSettings();

class QtSettingsStore : public SettingsStore {
 public:
  QtSettingsStore();  // on OpenClipvexSettings()
  explicit QtSettingsStore(std::unique_ptr<QSettings> settings);
  ~QtSettingsStore() override;

  bool KeyExists() const override;
  Read ReadString(std::string_view name, std::string& out) const override;
  Read ReadInteger(std::string_view name, std::int32_t& out) const override;
  bool WriteString(std::string_view name, const std::string& value) override;
  bool WriteInteger(std::string_view name, std::int32_t value) override;
  bool Flush() override;

  QSettings& settings() { return *settings_; }

 private:
  // The stored key that matches `name` in any letter case, or an empty
  // string. An exact match is preferred.
  QString StoredKey(std::string_view name) const;
  bool PrepareWrite(std::string_view name);

  std::unique_ptr<QSettings> settings_;
  bool textIntegers_;  // integers are kept as text (INI files)
};

}  // namespace clipvex
