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

Tsearch_form::Tsearch_form(EffectsHost& host, QWidget* parent) : ModelessDialog(parent), host_(host) {
  setObjectName("search_form");
  setWindowTitle("Find Text");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* queryLabel = new QLabel("Text to Find:", this);
  searchq = new QLineEdit(this);
  searchq->setObjectName("searchq");
  queryLabel->setBuddy(searchq);
  find_butt = new QPushButton(kFindCaption, this);
  find_butt->setObjectName("find_butt");
  find_butt->setDefault(true);
  // Wide enough for each of its captions.
  find_butt->setMinimumWidth(find_butt->fontMetrics().horizontalAdvance(kFindNextCaption) + 24);
  findall_butt = new QPushButton("Find All", this);
  findall_butt->setObjectName("findall_butt");
  findall_butt->setAutoDefault(false);
  Button1 = new QPushButton("Close", this);
  Button1->setObjectName("Button1");
  Button1->setAutoDefault(false);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setTextVisible(false);
  ListBox1 = new QListWidget(this);
  ListBox1->setObjectName("ListBox1");
  ListBox1->setUniformItemSizes(true);
  ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setReadOnly(true);
  QFont fixed("Monospace");
  fixed.setStyleHint(QFont::TypeWriter);
  fixed.setPointSize(font().pointSize());
  Memo1->setFont(fixed);
  Memo1->setMinimumSize(360, 300);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(find_butt);
  buttons->addWidget(findall_butt);
  buttons->addStretch(1);
  buttons->addWidget(Button1);

  auto* left = new QVBoxLayout;
  left->addWidget(queryLabel);
  left->addWidget(searchq);
  left->addLayout(buttons);
  left->addWidget(ProgressBar1);
  left->addWidget(Note("Single Click to view block text", this));
  left->addWidget(Note("Double Click to Goto Frame in Filmstrip", this));
  left->addWidget(ListBox1, 1);

  auto* row = new QHBoxLayout(this);
  row->addLayout(left);
  row->addWidget(Memo1, 1);
  row->setSizeConstraint(QLayout::SetFixedSize);

  slice_ = new QTimer(this);
  slice_->setInterval(0);
  connect(slice_, &QTimer::timeout, this, &Tsearch_form::RunSlice);
  connect(searchq, &QLineEdit::textChanged, this, &Tsearch_form::FormShow);
  connect(find_butt, &QPushButton::clicked, this, &Tsearch_form::find_buttClick);
  connect(findall_butt, &QPushButton::clicked, this, &Tsearch_form::findall_buttClick);
  connect(Button1, &QPushButton::clicked, this, &Tsearch_form::Button1Click);
  connect(ListBox1, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { ListBox1Click(ListBox1->row(item)); });
  connect(ListBox1, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { ListBox1DblClick(ListBox1->row(item)); });
  connect(Memo1, &QPlainTextEdit::textChanged, this, &Tsearch_form::Memo1Change);
  FormShow();
}

void Tsearch_form::Open() {
  if (!isVisible()) FormShow();
  ShowInFront();
  searchq->setFocus(Qt::OtherFocusReason);
}

void Tsearch_form::FormShow() {
  const StripState& active = host_.ActiveStrip();
  strip_ = active.letter;
  session_.Reset(static_cast<std::size_t>(std::max(active.Entries(), 0)));
  slice_->stop();
  ListBox1->clear();
  ClearMemo(QString());
  SyncControls();
}

const BlockList* Tsearch_form::Blocks() const {
  StripState* strip = host_.StripOf(strip_);
  return strip != nullptr && strip->HasDemo() ? &strip->demo.Blocks : nullptr;
}

void Tsearch_form::hideEvent(QHideEvent* event) {
  // A search does not go on out of sight; what it found stays listed.
  session_.Stop();
  SyncControls();
  QDialog::hideEvent(event);
}

void Tsearch_form::BindToActiveStrip() {
  if (!session_.Searching() && host_.ActiveStrip().letter != strip_) FormShow();
}

void Tsearch_form::find_buttClick() {
  if (!find_butt->isEnabled()) return;
  BindToActiveStrip();
  const QString query = searchq->text();
  session_.PressFind(ToBytes(query), IsLatin1(query));
  RunSlice();
}

void Tsearch_form::findall_buttClick() {
  if (!findall_butt->isEnabled()) return;
  BindToActiveStrip();
  const QString query = searchq->text();
  session_.PressFindAll(ToBytes(query), IsLatin1(query));
  RunSlice();
}

void Tsearch_form::Button1Click() { hide(); }

void Tsearch_form::RunSlice() {
  if (session_.Running()) {
    SliceClock clock(sliceMilliseconds);
    session_.Advance(Blocks(), clock);
  }
  SyncControls();
  if (session_.Running()) {
    if (!slice_->isActive()) slice_->start();
  } else {
    slice_->stop();
  }
}

void Tsearch_form::SyncControls() {
  find_butt->setText(session_.FindCaption());
  find_butt->setEnabled(session_.FindEnabled());
  findall_butt->setEnabled(session_.FindAllEnabled());
  ProgressBar1->setRange(session_.ProgressMinimum(), std::max(session_.ProgressMinimum(), session_.ProgressMaximum()));
  ProgressBar1->setValue(session_.Progress());
  const std::vector<SearchResult>& results = session_.Results();
  const auto listed = static_cast<std::size_t>(ListBox1->count());
  if (listed < results.size()) {
    QStringList added;
    added.reserve(static_cast<qsizetype>(results.size() - listed));
    for (std::size_t i = listed; i < results.size(); ++i) added.push_back(ResultText(results[i]));
    ListBox1->addItems(added);
  }
}

void Tsearch_form::SyncListTexts() {
  const std::vector<SearchResult>& results = session_.Results();
  for (int row = 0; row < ListBox1->count() && static_cast<std::size_t>(row) < results.size(); ++row) {
    QListWidgetItem* item = ListBox1->item(row);
    const SearchResult& result = results[static_cast<std::size_t>(row)];
    const QString text = ResultText(result);
    if (item->text() != text) item->setText(text);
    item->setForeground(result.gone ? palette().brush(QPalette::Disabled, QPalette::Text)
                                    : palette().brush(QPalette::Active, QPalette::Text));
  }
}

void Tsearch_form::ListBox1Click(int row) {
  if (row < 0) return;
  const BlockList* blocks = Blocks();
  const std::size_t picked = static_cast<std::size_t>(row);
  const std::optional<std::size_t> index = session_.Pick(picked, blocks);
  if (!index) {
    // Its block left the demo: the entry goes, and nothing is shown.
    delete ListBox1->takeItem(row);
    session_.memoTarget = {};
    ClearMemo("That block is no longer in the demo.");
    return;
  }
  if (QListWidgetItem* item = ListBox1->item(row)) item->setText(ResultText(session_.Results()[picked]));
  session_.memoTarget = RefTo(*blocks, *index);
  LoadMemo(*(*blocks)[*index]);
}

void Tsearch_form::ListBox1DblClick(int row) {
  if (row < 0) return;
  const BlockList* blocks = Blocks();
  const std::optional<std::size_t> index = session_.Pick(static_cast<std::size_t>(row), blocks);
  if (!index) {
    delete ListBox1->takeItem(row);
    return;
  }
  if (QListWidgetItem* item = ListBox1->item(row)) {
    item->setText(ResultText(session_.Results()[static_cast<std::size_t>(row)]));
  }
  if (StripState* strip = host_.StripOf(strip_)) {
    host_.ShowStripAt(*strip, FirstVisibleFor(static_cast<std::int64_t>(*index), strip->step));
  }
}

void Tsearch_form::LoadMemo(const Block& block) {
  const std::string text = BlockText(block);
  session_.memoWriteBack = false;
  loadingMemo_ = true;
  Memo1->setPlainText(FromBytes(text));
  loadingMemo_ = false;
  // A text the box cannot hold byte for byte is shown, never written back.
  memoRoundTrips_ = ToBytes(Memo1->toPlainText()) == text;
  Memo1->setPlaceholderText(QString());
  memoShowing_ = true;
  session_.memoWriteBack = true;
  UpdateMemoAccess();
}

void Tsearch_form::ClearMemo(const QString& note) {
  session_.memoWriteBack = false;
  loadingMemo_ = true;
  Memo1->clear();
  loadingMemo_ = false;
  memoRoundTrips_ = true;
  memoShowing_ = false;
  Memo1->setPlaceholderText(note);
  UpdateMemoAccess();
}

void Tsearch_form::UpdateMemoAccess() {
  const bool writable = session_.memoWriteBack && memoRoundTrips_ && !locked_;
  Memo1->setReadOnly(!writable);
  if (!memoRoundTrips_) {
    Memo1->setToolTip("This block holds characters the text box cannot keep: it is shown, not edited.");
  } else if (locked_ && session_.memoWriteBack) {
    Memo1->setToolTip("The demo cannot change while screenshots are being taken.");
  } else {
    Memo1->setToolTip(QString());
  }
}

void Tsearch_form::Memo1Change() {
  if (loadingMemo_ || !session_.memoWriteBack || Memo1->isReadOnly()) return;
  StripState* strip = host_.StripOf(strip_);
  const BlockList* blocks = Blocks();
  const std::optional<std::size_t> index =
      blocks != nullptr ? Resolve(session_.memoTarget, *blocks) : std::optional<std::size_t>();
  if (strip == nullptr || !index) {
    session_.memoWriteBack = false;
    UpdateMemoAccess();
    return;
  }
  const std::string text = ToBytes(Memo1->toPlainText());
  Guarded(this, [&] { WriteBlockText(host_, *strip, *index, text, session_.memoTarget); });
}

void Tsearch_form::BlocksChanged(char letter) {
  if (letter != strip_) return;
  const BlockList* blocks = Blocks();
  if (session_.Follow(blocks)) SyncListTexts();
  if (!memoShowing_) return;
  const std::optional<std::size_t> index =
      blocks != nullptr ? Resolve(session_.memoTarget, *blocks) : std::optional<std::size_t>();
  if (!index) {
    // Out of the demo (perhaps back with an undo): shown, not written.
    session_.memoWriteBack = false;
    UpdateMemoAccess();
    return;
  }
  const Block& block = *(*blocks)[*index];
  if (ToBytes(Memo1->toPlainText()) == BlockText(block)) {
    if (!session_.memoWriteBack) {
      session_.memoWriteBack = true;
      UpdateMemoAccess();
    }
    return;
  }
  // Changed by something else (an undo): shown anew, the caret kept.
  const int caret = Memo1->textCursor().position();
  LoadMemo(block);
  QTextCursor cursor = Memo1->textCursor();
  cursor.setPosition(std::min(caret, Memo1->document()->characterCount() - 1));
  Memo1->setTextCursor(cursor);
}

void Tsearch_form::DemoReplaced(char letter) {
  if (letter == strip_) FormShow();
}

void Tsearch_form::SetDemoLocked(bool locked) {
  locked_ = locked;
  UpdateMemoAccess();
}

}  // namespace clipvex
