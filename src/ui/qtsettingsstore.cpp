#include "ui/qtsettingsstore.h"

#include <QSettings>
#include <QVariant>
#include <limits>

#include "dialogs/messages.h"

namespace clipvex {
namespace {

QString NameText(std::string_view name) {
  return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

bool InInt32Range(long long value) {
  return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

std::unique_ptr<QSettings> OpenClipvexSettings() {
#ifdef _WIN32
  return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Clipvex"), QSettings::NativeFormat);
#else
  auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Clipvex"),
                                              QStringLiteral("Clipvex"));
  // Only the user's own file counts, not organisation or system files.
  settings->setFallbacksEnabled(false);
  return settings;
#endif
}

QtSettingsStore::QtSettingsStore() : QtSettingsStore(OpenClipvexSettings()) {}

QtSettingsStore::QtSettingsStore(std::unique_ptr<QSettings> settings) : settings_(std::move(settings)) {
#ifdef _WIN32
  textIntegers_ = settings_->format() != QSettings::NativeFormat;
#else
  textIntegers_ = true;
#endif
}

QtSettingsStore::~QtSettingsStore() = default;

bool QtSettingsStore::KeyExists() const {
  return !settings_->allKeys().isEmpty() || !settings_->childGroups().isEmpty();
}

QString QtSettingsStore::StoredKey(std::string_view name) const {
  const QString wanted = NameText(name);
  QString found;
  for (const QString& key : settings_->childKeys()) {
    if (key == wanted) return key;
    if (found.isEmpty() && key.compare(wanted, Qt::CaseInsensitive) == 0) found = key;
  }
  return found;
}

SettingsStore::Read QtSettingsStore::ReadString(std::string_view name, std::string& out) const {
  const QString key = StoredKey(name);
  if (key.isEmpty()) return Read::Missing;
  const QVariant value = settings_->value(key);
  if (!value.isValid()) return Read::Missing;
  if (value.typeId() != QMetaType::QString) return Read::WrongType;
  out = ToPath(value.toString());
  return Read::Ok;
}

SettingsStore::Read QtSettingsStore::ReadInteger(std::string_view name, std::int32_t& out) const {
  const QString key = StoredKey(name);
  if (key.isEmpty()) return Read::Missing;
  const QVariant value = settings_->value(key);
  switch (value.typeId()) {
    case QMetaType::UnknownType:
      return Read::Missing;
    case QMetaType::Int:
      out = value.toInt();
      return Read::Ok;
    case QMetaType::UInt:  // a registry double word: the same 32 bits
      out = static_cast<std::int32_t>(value.toUInt());
      return Read::Ok;
    case QMetaType::LongLong:
      if (!InInt32Range(value.toLongLong())) return Read::WrongType;
      out = static_cast<std::int32_t>(value.toLongLong());
      return Read::Ok;
    case QMetaType::QString: {
      if (!textIntegers_) return Read::WrongType;
      bool ok = false;
      const int number = value.toString().toInt(&ok, 10);
      if (!ok) return Read::WrongType;
      out = number;
      return Read::Ok;
    }
    default:
      return Read::WrongType;
  }
}

bool QtSettingsStore::PrepareWrite(std::string_view name) {
  if (!settings_->isWritable()) return false;
  // The registry knows one value per name whatever its case; the file keeps
  // letter case, so other spellings of the name go.
  const QString wanted = NameText(name);
  for (const QString& key : settings_->childKeys()) {
    if (key != wanted && key.compare(wanted, Qt::CaseInsensitive) == 0) settings_->remove(key);
  }
  return true;
}

bool QtSettingsStore::WriteString(std::string_view name, const std::string& value) {
  if (!PrepareWrite(name)) return false;
  settings_->setValue(NameText(name), FromPath(value));
  return true;
}

bool QtSettingsStore::WriteInteger(std::string_view name, std::int32_t value) {
  if (!PrepareWrite(name)) return false;
  settings_->setValue(NameText(name), static_cast<int>(value));
  return true;
}

bool QtSettingsStore::Flush() {
  settings_->sync();
  switch (settings_->status()) {
    case QSettings::NoError:
      return true;
    case QSettings::AccessError:
      return false;
    case QSettings::FormatError:
      break;
  }
  // A file that could not be parsed when it was read keeps reporting that,
  // whether or not the writing succeeded. Another look at the file tells:
  // it retries whatever is still unwritten and fails if that fails again.
  QSettings fresh(settings_->fileName(), settings_->format());
  fresh.sync();
  return fresh.status() == QSettings::NoError;
}

}  // namespace clipvex
