#include "dialogs/blockviewer.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>

#include "dialogs/messages.h"
#include "dialogs/modeless.h"

namespace clipvex {
namespace {

constexpr int kStartWidth = 435;
constexpr int kStartHeight = 350;
constexpr int kMargin = 4;
constexpr int kButtonHeight = 25;

}  // namespace

ViewerPicture::ViewerPicture(QWidget* parent) : QWidget(parent) {}

void ViewerPicture::SetImage(QImage image) {
  image_ = std::move(image);
  update();
}

void ViewerPicture::paintEvent(QPaintEvent*) {
  if (image_.isNull()) return;
  QPainter painter(this);
  const QSize size = image_.size();
  painter.drawImage(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), image_);
}

Tetc_form::Tetc_form(EffectsHost& host, QWidget* parent) : ModelessDialog(parent), host_(host) {
  setObjectName("etc_form");
  setWindowTitle("Clipvex");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
  setAttribute(Qt::WA_AlwaysShowToolTips);
  setSizeGripEnabled(true);

  zoomed_image = new ViewerPicture(this);
  zoomed_image->setObjectName("zoomed_image");
  blocktext = new QPlainTextEdit(this);
  blocktext->setObjectName("blocktext");
  blocktext->setLineWrapMode(QPlainTextEdit::NoWrap);
  blocktext->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  blocktext->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont fixed("Monospace");
  fixed.setStyleHint(QFont::TypeWriter);
  fixed.setPointSize(font().pointSize());
  blocktext->setFont(fixed);
  blocktext->hide();

  prev_butt = new QPushButton("<", this);
  prev_butt->setObjectName("prev_butt");
  prev_butt->setToolTip("Move one block left");
  prev_butt->setAutoDefault(false);
  next_butt = new QPushButton(">", this);
  next_butt->setObjectName("next_butt");
  next_butt->setToolTip("Move one block right");
  next_butt->setAutoDefault(false);
  play_butt = new QToolButton(this);
  play_butt->setObjectName("play_butt");
  play_butt->setToolTip("Scroll through forwards");
  play_butt->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
  play_butt->setCheckable(true);
  stop_butt = new QToolButton(this);
  stop_butt->setObjectName("stop_butt");
  stop_butt->setToolTip("Stop scrolling");
  stop_butt->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
  stop_butt->setCheckable(true);
  auto* group = new QButtonGroup(this);
  group->setExclusive(true);
  group->addButton(play_butt);
  group->addButton(stop_butt);
  Label1 = new QLabel("Current Block: ", this);
  Label1->setObjectName("Label1");
  Label2 = new QLabel(this);
  Label2->setObjectName("Label2");
  Label2->setMinimumWidth(Label2->fontMetrics().horizontalAdvance("0000000 (gone)"));

  scroll_ = new QTimer(this);
  scroll_->setInterval(0);
  connect(scroll_, &QTimer::timeout, this, &Tetc_form::ScrollStep);
  connect(prev_butt, &QPushButton::clicked, this, &Tetc_form::prev_buttClick);
  connect(next_butt, &QPushButton::clicked, this, &Tetc_form::next_buttClick);
  connect(play_butt, &QToolButton::toggled, this, &Tetc_form::play_buttClick);
  connect(blocktext, &QPlainTextEdit::textChanged, this, &Tetc_form::blocktextChange);

  resize(kStartWidth, kStartHeight);
  LayOut();
}

bool Tetc_form::TextMode() const { return !blocktext->isHidden(); }

bool Tetc_form::Scrolling() const { return scroll_->isActive(); }

std::int64_t Tetc_form::ActiveEntries() {
  const StripState& active = host_.ActiveStrip();
  return active.HasDemo() ? active.Entries() : 0;
}

void Tetc_form::LayOut() {
  const int row = kMargin + kButtonHeight + kMargin;
  zoomed_image->setGeometry(rect());
  int x = kMargin;
  for (QWidget* button : std::initializer_list<QWidget*>{prev_butt, next_butt, play_butt, stop_butt}) {
    button->setGeometry(x, kMargin, 33, kButtonHeight);
    x += 33 + kMargin;
  }
  Label2->adjustSize();
  const int labelsWidth = Label1->sizeHint().width() + Label2->width();
  const int labelsX = std::max(x + kMargin, width() - kMargin - labelsWidth);
  Label1->setGeometry(labelsX, kMargin, Label1->sizeHint().width(), kButtonHeight);
  Label2->setGeometry(labelsX + Label1->width(), kMargin, Label2->width(), kButtonHeight);
  blocktext->setGeometry(kMargin, row, std::max(1, width() - 2 * kMargin), std::max(1, height() - row - kMargin));
  for (QWidget* top : std::initializer_list<QWidget*>{prev_butt, next_butt, play_butt, stop_butt, Label1, Label2}) {
    top->raise();
  }
}

void Tetc_form::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  LayOut();
}

void Tetc_form::Open(std::int64_t block, bool asText) {
  blocktext->setVisible(asText);
  zoomed_image->setVisible(!asText);
  state_.viewerBlock = block;
  if (isVisible()) Display();
  if (!placed_ && !isVisible()) {
    placed_ = true;
    CentreOnScreen(*this);
  }
  show();
  raise();
  activateWindow();
}

void Tetc_form::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Showing a hidden viewer shows its block; coming back from an icon does not.
  if (!event->spontaneous()) Display();
}

void Tetc_form::hideEvent(QHideEvent* event) {
  // A scroll ends with the window that could stop it.
  if (!event->spontaneous() && play_butt->isChecked()) stop_butt->setChecked(true);
  QDialog::hideEvent(event);
}

void Tetc_form::ShowNumber(bool gone) {
  Label2->setText(gone ? QString("%1 (gone)").arg(state_.viewerBlock) : QString::number(state_.viewerBlock));
  LayOut();
}

void Tetc_form::Display() {
  ShowNumber();
  StripState& active = host_.ActiveStrip();
  if (TextMode()) {
    state_.target = {};
    state_.targetStrip = 0;
    targetLive_ = false;
    const std::int64_t shown = active.HasDemo() ? ShownBlock(state_.viewerBlock, active.Entries()) : -1;
    if (shown < 0) {
      LoadText(Block());
      UpdateTextAccess();
      return;
    }
    if (shown != state_.viewerBlock) {
      // The demo became shorter meanwhile: its last block.
      state_.viewerBlock = shown;
      ShowNumber();
    }
    const BlockList& blocks = active.demo.Blocks;
    LoadText(*blocks[static_cast<std::size_t>(shown)]);
    state_.target = RefTo(blocks, static_cast<std::size_t>(shown));
    state_.targetStrip = active.letter;
    targetLive_ = true;
    UpdateTextAccess();
    return;
  }
  const QString path = FromPath(ThumbnailPath(host_.EffectsSettings(), active.letter, state_.viewerBlock));
  if (QFileInfo::exists(path) && loadPicture) zoomed_image->SetImage(loadPicture(path));
}

void Tetc_form::LoadText(const Block& block) {
  const std::string text = BlockText(block);
  loading_ = true;
  blocktext->setPlainText(FromBytes(text));
  loading_ = false;
  textRoundTrips_ = ToBytes(blocktext->toPlainText()) == text;
}

void Tetc_form::UpdateTextAccess() {
  blocktext->setReadOnly(!(targetLive_ && textRoundTrips_ && !locked_));
  if (!textRoundTrips_) {
    blocktext->setToolTip("This block holds characters the text box cannot keep: it is shown, not edited.");
  } else if (locked_ && targetLive_) {
    blocktext->setToolTip("The demo cannot change while screenshots are being taken.");
  } else {
    blocktext->setToolTip(QString());
  }
}

void Tetc_form::prev_buttClick() {
  state_.viewerBlock = PrevBlock(state_.viewerBlock);
  Display();
}

void Tetc_form::next_buttClick() {
  state_.viewerBlock = NextBlock(state_.viewerBlock, ActiveEntries());
  Display();
}

void Tetc_form::play_buttClick(bool down) {
  if (down) {
    scroll_->start();
  } else {
    scroll_->stop();
  }
}

void Tetc_form::ScrollStep() {
  if (!play_butt->isChecked()) {
    scroll_->stop();
    return;
  }
  Display();
  state_.viewerBlock = ScrollNext(state_.viewerBlock, ActiveEntries());
}

void Tetc_form::blocktextChange() {
  if (loading_ || !targetLive_ || blocktext->isReadOnly()) return;
  StripState* strip = host_.StripOf(state_.targetStrip);
  const std::optional<std::size_t> index = ResolveTarget(strip);
  if (!index) return;
  const std::string text = ToBytes(blocktext->toPlainText());
  Guarded(this, [&] { WriteBlockText(host_, *strip, *index, text, state_.target); });
}

void Tetc_form::BlocksChanged(char letter) {
  if (!TextMode() || state_.targetStrip == 0 || state_.targetStrip != letter) return;
  StripState* strip = host_.StripOf(letter);
  const std::optional<std::size_t> index = ResolveTarget(strip);
  if (!index) return;
  // The block may have moved: the number follows it.
  if (host_.ActiveStrip().letter == letter) state_.viewerBlock = static_cast<std::int64_t>(*index);
  targetLive_ = true;
  ShowNumber();
  const Block& block = *strip->demo.Blocks[*index];
  if (ToBytes(blocktext->toPlainText()) != BlockText(block)) {
    const int caret = blocktext->textCursor().position();
    LoadText(block);
    QTextCursor cursor = blocktext->textCursor();
    cursor.setPosition(std::min(caret, blocktext->document()->characterCount() - 1));
    blocktext->setTextCursor(cursor);
  }
  UpdateTextAccess();
}

std::optional<std::size_t> Tetc_form::ResolveTarget(StripState* strip) {
  const std::optional<std::size_t> index =
      strip != nullptr && strip->HasDemo() ? Resolve(state_.target, strip->demo.Blocks) : std::optional<std::size_t>();
  if (!index) {
    targetLive_ = false;
    ShowNumber(true);
    UpdateTextAccess();
  }
  return index;
}

void Tetc_form::DemoReplaced(char letter) {
  if (state_.targetStrip == 0 || state_.targetStrip != letter) return;
  state_.target = {};
  state_.targetStrip = 0;
  targetLive_ = false;
  if (isVisible() && TextMode()) {
    Display();
  } else {
    UpdateTextAccess();
  }
}

void Tetc_form::SetDemoLocked(bool locked) {
  locked_ = locked;
  UpdateTextAccess();
}

}  // namespace clipvex
