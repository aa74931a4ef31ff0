#include "dialogs/blockviewer.h"

#include <QButtonGroup>
#include <QEvent>
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

void ViewerPicture::setImage(QImage image) {
  image_ = std::move(image);
  update();
}

void ViewerPicture::paintEvent(QPaintEvent*) {
  if (image_.isNull()) return;
  QPainter painter(this);
  const QSize size = image_.size();
  painter.drawImage(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), image_);
}

BlockViewer::BlockViewer(EffectsHost& host, QWidget* parent) : ModelessDialog(parent), host_(host) {
  setObjectName("etc_form");
  setWindowTitle("Clipvex");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
  setAttribute(Qt::WA_AlwaysShowToolTips);
  setSizeGripEnabled(true);

  picture_ = new ViewerPicture(this);
  picture_->setObjectName("zoomed_image");
  text_ = new QPlainTextEdit(this);
  text_->setObjectName("blocktext");
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont fixed("Monospace");
  fixed.setStyleHint(QFont::TypeWriter);
  fixed.setPointSize(font().pointSize());
  text_->setFont(fixed);
  text_->hide();

  previous_ = new QPushButton("<", this);
  previous_->setObjectName("prev_butt");
  previous_->setToolTip("Move one block left");
  previous_->setAutoDefault(false);
  next_ = new QPushButton(">", this);
  next_->setObjectName("next_butt");
  next_->setToolTip("Move one block right");
  next_->setAutoDefault(false);
  play_ = new QToolButton(this);
  play_->setObjectName("play_butt");
  play_->setToolTip("Scroll through forwards");
  play_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
  play_->setCheckable(true);
  stop_ = new QToolButton(this);
  stop_->setObjectName("stop_butt");
  stop_->setToolTip("Stop scrolling");
  stop_->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
  stop_->setCheckable(true);
  auto* group = new QButtonGroup(this);
  group->setExclusive(true);
  group->addButton(play_);
  group->addButton(stop_);
  numberCaption_ = new QLabel("Current Block: ", this);
  numberCaption_->setObjectName("Label1");
  number_ = new QLabel(this);
  number_->setObjectName("Label2");
  number_->setMinimumWidth(number_->fontMetrics().horizontalAdvance("0000000 (gone)"));

  scroll_ = new QTimer(this);
  scroll_->setInterval(0);
  connect(scroll_, &QTimer::timeout, this, &BlockViewer::scrollStep);
  connect(previous_, &QPushButton::clicked, this, &BlockViewer::showPrevious);
  connect(next_, &QPushButton::clicked, this, &BlockViewer::showNext);
  connect(play_, &QToolButton::toggled, this, &BlockViewer::setScrolling);
  connect(text_, &QPlainTextEdit::textChanged, this, &BlockViewer::writeBlockText);

  resize(kStartWidth, kStartHeight);
  layOut();
}

bool BlockViewer::isTextMode() const { return !text_->isHidden(); }

bool BlockViewer::isScrolling() const { return scroll_->isActive(); }

std::int64_t BlockViewer::activeEntries() {
  const StripState& active = host_.ActiveStrip();
  return active.HasDemo() ? active.Entries() : 0;
}

void BlockViewer::layOut() {
  const int row = kMargin + kButtonHeight + kMargin;
  picture_->setGeometry(rect());
  int x = kMargin;
  for (QWidget* button : std::initializer_list<QWidget*>{previous_, next_, play_, stop_}) {
    button->setGeometry(x, kMargin, 33, kButtonHeight);
    x += 33 + kMargin;
  }
  number_->adjustSize();
  const int labelsWidth = numberCaption_->sizeHint().width() + number_->width();
  const int labelsX = std::max(x + kMargin, width() - kMargin - labelsWidth);
  numberCaption_->setGeometry(labelsX, kMargin, numberCaption_->sizeHint().width(), kButtonHeight);
  number_->setGeometry(labelsX + numberCaption_->width(), kMargin, number_->width(), kButtonHeight);
  text_->setGeometry(kMargin, row, std::max(1, width() - 2 * kMargin), std::max(1, height() - row - kMargin));
  for (QWidget* top : std::initializer_list<QWidget*>{previous_, next_, play_, stop_, numberCaption_, number_}) {
    top->raise();
  }
}

void BlockViewer::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  layOut();
}

void BlockViewer::showBlock(std::int64_t block, bool asText) {
  text_->setVisible(asText);
  picture_->setVisible(!asText);
  state_.viewerBlock = block;
  if (isVisible()) display();
  if (!placed_ && !isVisible()) {
    placed_ = true;
    CentreOnScreen(*this);
  }
  show();
  raise();
  activateWindow();
}

void BlockViewer::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Showing a hidden viewer shows its block; coming back from an icon does not.
  if (!event->spontaneous()) display();
}

void BlockViewer::hideEvent(QHideEvent* event) {
  // A scroll ends with the window that could stop it.
  if (!event->spontaneous() && play_->isChecked()) stop_->setChecked(true);
  QDialog::hideEvent(event);
}

void BlockViewer::showNumber(bool gone) {
  number_->setText(gone ? QString("%1 (gone)").arg(state_.viewerBlock) : QString::number(state_.viewerBlock));
  layOut();
}

void BlockViewer::display() {
  showNumber();
  StripState& active = host_.ActiveStrip();
  if (isTextMode()) {
    state_.target = {};
    state_.targetStrip = 0;
    targetLive_ = false;
    const std::int64_t shown = active.HasDemo() ? ShownBlock(state_.viewerBlock, active.Entries()) : -1;
    if (shown < 0) {
      loadText(Block());
      updateTextAccess();
      return;
    }
    if (shown != state_.viewerBlock) {
      // The demo became shorter meanwhile: its last block.
      state_.viewerBlock = shown;
      showNumber();
    }
    const BlockList& blocks = active.demo.Blocks;
    loadText(*blocks[static_cast<std::size_t>(shown)]);
    state_.target = RefTo(blocks, static_cast<std::size_t>(shown));
    state_.targetStrip = active.letter;
    targetLive_ = true;
    updateTextAccess();
    return;
  }
  const std::optional<std::string> file = ThumbnailFile(host_.EffectsSettings(), active.letter, state_.viewerBlock);
  if (file && loadPicture_) {
    picture_->setImage(loadPicture_(FromPath(*file)));
  } else if (!file && askLive_ && ShownBlock(state_.viewerBlock, activeEntries()) == state_.viewerBlock) {
    askLive_(active.letter, state_.viewerBlock);
  }
}

void BlockViewer::showLivePicture(char letter, std::int64_t block, const QImage& picture) {
  const StripState& active = host_.ActiveStrip();
  if (isTextMode() || active.letter != letter || state_.viewerBlock != block) return;
  if (ThumbnailFile(host_.EffectsSettings(), letter, block)) return;
  picture_->setImage(picture);
}

void BlockViewer::loadText(const Block& block) {
  const std::string text = BlockText(block);
  loading_ = true;
  text_->setPlainText(FromBytes(text));
  loading_ = false;
  textRoundTrips_ = ToBytes(text_->toPlainText()) == text;
}

void BlockViewer::updateTextAccess() {
  text_->setReadOnly(!(targetLive_ && textRoundTrips_ && !locked_));
  if (!textRoundTrips_) {
    text_->setToolTip("This block holds characters the text box cannot keep: it is shown, not edited.");
  } else if (locked_ && targetLive_) {
    text_->setToolTip("The demo cannot change while screenshots are being taken.");
  } else {
    text_->setToolTip(QString());
  }
}

void BlockViewer::showPrevious() {
  state_.viewerBlock = PrevBlock(state_.viewerBlock);
  display();
}

void BlockViewer::showNext() {
  state_.viewerBlock = NextBlock(state_.viewerBlock, activeEntries());
  display();
}

void BlockViewer::setScrolling(bool down) {
  if (down) {
    scroll_->start();
  } else {
    scroll_->stop();
  }
}

void BlockViewer::scrollStep() {
  if (!play_->isChecked()) {
    scroll_->stop();
    return;
  }
  display();
  state_.viewerBlock = ScrollNext(state_.viewerBlock, activeEntries());
}

void BlockViewer::writeBlockText() {
  if (loading_ || !targetLive_ || text_->isReadOnly()) return;
  StripState* strip = host_.StripOf(state_.targetStrip);
  const std::optional<std::size_t> index = resolveTarget(strip);
  if (!index) return;
  const std::string text = ToBytes(text_->toPlainText());
  Guarded(this, [&] { WriteBlockText(host_, *strip, *index, text, state_.target); });
}

void BlockViewer::stripBlocksChanged(char letter) {
  if (!isTextMode() || state_.targetStrip == 0 || state_.targetStrip != letter) return;
  StripState* strip = host_.StripOf(letter);
  const std::optional<std::size_t> index = resolveTarget(strip);
  if (!index) return;
  // The block may have moved: the number follows it.
  if (host_.ActiveStrip().letter == letter) state_.viewerBlock = static_cast<std::int64_t>(*index);
  targetLive_ = true;
  showNumber();
  const Block& block = *strip->demo.Blocks[*index];
  if (ToBytes(text_->toPlainText()) != BlockText(block)) {
    const int caret = text_->textCursor().position();
    loadText(block);
    QTextCursor cursor = text_->textCursor();
    cursor.setPosition(std::min(caret, text_->document()->characterCount() - 1));
    text_->setTextCursor(cursor);
  }
  updateTextAccess();
}

std::optional<std::size_t> BlockViewer::resolveTarget(StripState* strip) {
  const std::optional<std::size_t> index =
      strip != nullptr && strip->HasDemo() ? Resolve(state_.target, strip->demo.Blocks) : std::optional<std::size_t>();
  if (!index) {
    targetLive_ = false;
    showNumber(true);
    updateTextAccess();
  }
  return index;
}

void BlockViewer::stripDemoReplaced(char letter) {
  if (state_.targetStrip == 0 || state_.targetStrip != letter) return;
  state_.target = {};
  state_.targetStrip = 0;
  targetLive_ = false;
  if (isVisible() && isTextMode()) {
    display();
  } else {
    updateTextAccess();
  }
}

void BlockViewer::setDemoLocked(bool locked) {
  locked_ = locked;
  updateTextAccess();
}

}  // namespace clipvex
