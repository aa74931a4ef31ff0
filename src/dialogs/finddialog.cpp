#include "dialogs/finddialog.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include "dialogs/messages.h"
#include "dialogs/modeless.h"

namespace clipvex {
namespace {

// Ends a slice once its time is up; the time is read every few blocks.
class SliceClock : public SearchClock {
 public:
  explicit SliceClock(int milliseconds) : limit_(milliseconds) { clock_.start(); }
  bool Expired() override { return (++calls_ & 15) == 0 && clock_.elapsed() >= limit_; }

 private:
  QElapsedTimer clock_;
  int limit_;
  unsigned calls_ = 0;
};

QString ResultText(const SearchResult& result) {
  return result.gone ? QString("%1 (gone)").arg(result.number) : QString::number(result.number);
}

bool IsLatin1(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() > 0xFF) return false;
  }
  return true;
}

QLabel* Note(const char* text, QWidget* parent) {
  auto* note = new QLabel(text, parent);
  QFont italic = note->font();
  italic.setItalic(true);
  note->setFont(italic);
  return note;
}

}  // namespace

FindTextDialog::FindTextDialog(EffectsHost& host, QWidget* parent) : ModelessDialog(parent), host_(host) {
  setObjectName("search_form");
  setWindowTitle("Find Text");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* queryLabel = new QLabel("Text to Find:", this);
  query_ = new QLineEdit(this);
  query_->setObjectName("searchq");
  queryLabel->setBuddy(query_);
  find_ = new QPushButton(kFindCaption, this);
  find_->setObjectName("find_butt");
  find_->setDefault(true);
  // Wide enough for each of its captions.
  find_->setMinimumWidth(find_->fontMetrics().horizontalAdvance(kFindNextCaption) + 24);
  findAll_ = new QPushButton("Find All", this);
  findAll_->setObjectName("findall_butt");
  findAll_->setAutoDefault(false);
  close_ = new QPushButton("Close", this);
  close_->setObjectName("Button1");
  close_->setAutoDefault(false);
  progress_ = new QProgressBar(this);
  progress_->setObjectName("ProgressBar1");
  progress_->setTextVisible(false);
  results_ = new QListWidget(this);
  results_->setObjectName("ListBox1");
  results_->setUniformItemSizes(true);
  results_->setSelectionMode(QAbstractItemView::SingleSelection);
  blockText_ = new QPlainTextEdit(this);
  blockText_->setObjectName("Memo1");
  blockText_->setLineWrapMode(QPlainTextEdit::NoWrap);
  blockText_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  blockText_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  blockText_->setReadOnly(true);
  QFont fixed("Monospace");
  fixed.setStyleHint(QFont::TypeWriter);
  fixed.setPointSize(font().pointSize());
  blockText_->setFont(fixed);
  blockText_->setMinimumSize(360, 300);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(find_);
  buttons->addWidget(findAll_);
  buttons->addStretch(1);
  buttons->addWidget(close_);

  auto* left = new QVBoxLayout;
  left->addWidget(queryLabel);
  left->addWidget(query_);
  left->addLayout(buttons);
  left->addWidget(progress_);
  left->addWidget(Note("Single Click to view block text", this));
  left->addWidget(Note("Double Click to Goto Frame in Filmstrip", this));
  left->addWidget(results_, 1);

  auto* row = new QHBoxLayout(this);
  row->addLayout(left);
  row->addWidget(blockText_, 1);
  row->setSizeConstraint(QLayout::SetFixedSize);

  slice_ = new QTimer(this);
  slice_->setInterval(0);
  connect(slice_, &QTimer::timeout, this, &FindTextDialog::runSlice);
  connect(query_, &QLineEdit::textChanged, this, &FindTextDialog::reset);
  connect(find_, &QPushButton::clicked, this, &FindTextDialog::findNext);
  connect(findAll_, &QPushButton::clicked, this, &FindTextDialog::findAll);
  connect(close_, &QPushButton::clicked, this, &QWidget::hide);
  connect(results_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { showResult(results_->row(item)); });
  connect(results_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { goToResult(results_->row(item)); });
  connect(blockText_, &QPlainTextEdit::textChanged, this, &FindTextDialog::writeBlockText);
  reset();
}

void FindTextDialog::showModeless() {
  if (!isVisible()) reset();
  showInFront();
  query_->setFocus(Qt::OtherFocusReason);
}

void FindTextDialog::reset() {
  const StripState& active = host_.ActiveStrip();
  strip_ = active.letter;
  session_.Reset(static_cast<std::size_t>(std::max(active.Entries(), 0)));
  slice_->stop();
  results_->clear();
  clearBlockText(QString());
  syncControls();
}

const BlockList* FindTextDialog::searchedBlocks() const {
  StripState* strip = host_.StripOf(strip_);
  return strip != nullptr && strip->HasDemo() ? &strip->demo.Blocks : nullptr;
}

void FindTextDialog::hideEvent(QHideEvent* event) {
  // A search does not go on out of sight; what it found stays listed.
  session_.Stop();
  syncControls();
  QDialog::hideEvent(event);
}

void FindTextDialog::bindToActiveStrip() {
  if (!session_.Searching() && host_.ActiveStrip().letter != strip_) reset();
}

void FindTextDialog::findNext() {
  if (!find_->isEnabled()) return;
  bindToActiveStrip();
  const QString query = query_->text();
  session_.PressFind(ToBytes(query), IsLatin1(query));
  runSlice();
}

void FindTextDialog::findAll() {
  if (!findAll_->isEnabled()) return;
  bindToActiveStrip();
  const QString query = query_->text();
  session_.PressFindAll(ToBytes(query), IsLatin1(query));
  runSlice();
}

void FindTextDialog::runSlice() {
  if (session_.Running()) {
    SliceClock clock(sliceMilliseconds_);
    session_.Advance(searchedBlocks(), clock);
  }
  syncControls();
  if (session_.Running()) {
    if (!slice_->isActive()) slice_->start();
  } else {
    slice_->stop();
  }
}

void FindTextDialog::syncControls() {
  find_->setText(session_.FindCaption());
  find_->setEnabled(session_.FindEnabled());
  findAll_->setEnabled(session_.FindAllEnabled());
  progress_->setRange(session_.ProgressMinimum(), std::max(session_.ProgressMinimum(), session_.ProgressMaximum()));
  progress_->setValue(session_.Progress());
  const std::vector<SearchResult>& results = session_.Results();
  const auto listed = static_cast<std::size_t>(results_->count());
  if (listed < results.size()) {
    QStringList added;
    added.reserve(static_cast<qsizetype>(results.size() - listed));
    for (std::size_t i = listed; i < results.size(); ++i) added.push_back(ResultText(results[i]));
    results_->addItems(added);
  }
}

void FindTextDialog::syncListTexts() {
  const std::vector<SearchResult>& results = session_.Results();
  for (int row = 0; row < results_->count() && static_cast<std::size_t>(row) < results.size(); ++row) {
    QListWidgetItem* item = results_->item(row);
    const SearchResult& result = results[static_cast<std::size_t>(row)];
    const QString text = ResultText(result);
    if (item->text() != text) item->setText(text);
    item->setForeground(result.gone ? palette().brush(QPalette::Disabled, QPalette::Text)
                                    : palette().brush(QPalette::Active, QPalette::Text));
  }
}

void FindTextDialog::showResult(int row) {
  if (row < 0) return;
  const BlockList* blocks = searchedBlocks();
  const std::size_t picked = static_cast<std::size_t>(row);
  const std::optional<std::size_t> index = session_.Pick(picked, blocks);
  if (!index) {
    // Its block left the demo: the entry goes, and nothing is shown.
    delete results_->takeItem(row);
    session_.memoTarget = {};
    clearBlockText("That block is no longer in the demo.");
    return;
  }
  if (QListWidgetItem* item = results_->item(row)) item->setText(ResultText(session_.Results()[picked]));
  session_.memoTarget = RefTo(*blocks, *index);
  loadBlockText(*(*blocks)[*index]);
}

void FindTextDialog::goToResult(int row) {
  if (row < 0) return;
  const BlockList* blocks = searchedBlocks();
  const std::optional<std::size_t> index = session_.Pick(static_cast<std::size_t>(row), blocks);
  if (!index) {
    delete results_->takeItem(row);
    return;
  }
  if (QListWidgetItem* item = results_->item(row)) {
    item->setText(ResultText(session_.Results()[static_cast<std::size_t>(row)]));
  }
  if (StripState* strip = host_.StripOf(strip_)) {
    host_.ShowStripAt(*strip, FirstVisibleFor(static_cast<std::int64_t>(*index), strip->step));
  }
}

void FindTextDialog::loadBlockText(const Block& block) {
  const std::string text = BlockText(block);
  session_.memoWriteBack = false;
  loadingText_ = true;
  blockText_->setPlainText(FromBytes(text));
  loadingText_ = false;
  // A text the box cannot hold byte for byte is shown, never written back.
  textRoundTrips_ = ToBytes(blockText_->toPlainText()) == text;
  blockText_->setPlaceholderText(QString());
  textShowing_ = true;
  session_.memoWriteBack = true;
  updateTextAccess();
}

void FindTextDialog::clearBlockText(const QString& note) {
  session_.memoWriteBack = false;
  loadingText_ = true;
  blockText_->clear();
  loadingText_ = false;
  textRoundTrips_ = true;
  textShowing_ = false;
  blockText_->setPlaceholderText(note);
  updateTextAccess();
}

void FindTextDialog::updateTextAccess() {
  const bool writable = session_.memoWriteBack && textRoundTrips_ && !locked_;
  blockText_->setReadOnly(!writable);
  if (!textRoundTrips_) {
    blockText_->setToolTip("This block holds characters the text box cannot keep: it is shown, not edited.");
  } else if (locked_ && session_.memoWriteBack) {
    blockText_->setToolTip("The demo cannot change while screenshots are being taken.");
  } else {
    blockText_->setToolTip(QString());
  }
}

void FindTextDialog::writeBlockText() {
  if (loadingText_ || !session_.memoWriteBack || blockText_->isReadOnly()) return;
  StripState* strip = host_.StripOf(strip_);
  const BlockList* blocks = searchedBlocks();
  const std::optional<std::size_t> index =
      blocks != nullptr ? Resolve(session_.memoTarget, *blocks) : std::optional<std::size_t>();
  if (strip == nullptr || !index) {
    session_.memoWriteBack = false;
    updateTextAccess();
    return;
  }
  const std::string text = ToBytes(blockText_->toPlainText());
  Guarded(this, [&] { WriteBlockText(host_, *strip, *index, text, session_.memoTarget); });
}

void FindTextDialog::stripBlocksChanged(char letter) {
  if (letter != strip_) return;
  const BlockList* blocks = searchedBlocks();
  if (session_.Follow(blocks)) syncListTexts();
  if (!textShowing_) return;
  const std::optional<std::size_t> index =
      blocks != nullptr ? Resolve(session_.memoTarget, *blocks) : std::optional<std::size_t>();
  if (!index) {
    // Out of the demo (perhaps back with an undo): shown, not written.
    session_.memoWriteBack = false;
    updateTextAccess();
    return;
  }
  const Block& block = *(*blocks)[*index];
  if (ToBytes(blockText_->toPlainText()) == BlockText(block)) {
    if (!session_.memoWriteBack) {
      session_.memoWriteBack = true;
      updateTextAccess();
    }
    return;
  }
  // Changed by something else (an undo): shown anew, the caret kept.
  const int caret = blockText_->textCursor().position();
  loadBlockText(block);
  QTextCursor cursor = blockText_->textCursor();
  cursor.setPosition(std::min(caret, blockText_->document()->characterCount() - 1));
  blockText_->setTextCursor(cursor);
}

void FindTextDialog::stripDemoReplaced(char letter) {
  if (letter == strip_) reset();
}

void FindTextDialog::setDemoLocked(bool locked) {
  locked_ = locked;
  updateTextAccess();
}

}  // namespace clipvex
