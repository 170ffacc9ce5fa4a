#include "watermark/watermark_text_tokens.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <functional>

#include "platform/store/localization.h"
#include "widgets/format_menu.h"

namespace glimbrik {

namespace {

struct MenuItem {
  int tag;  // 0: a separator
  const char* title;
};

// The insert-token menu; 3 to 6 carry format submenus.
constexpr MenuItem kMenuItems[] = {
    {1, "Index"},
    {-kMenuRenameOnlySeparatorTag, nullptr},
    {3, "Capture Date"},
    {4, "Capture Time"},
    {5, "Current Date"},
    {6, "Current Time"},
    {0, nullptr},
    {8, "New File Name"},
    {9, "Original File Name"},
    {0, nullptr},
    {11, "Image Width"},
    {12, "Image Height"},
    {13, "Resolution"},
    {0, nullptr},
    {15, "Author"},
    {16, "Copyright"},
    {17, "Camera Owner"},
    {18, "Camera Maker"},
    {19, "Camera Model"},
    {20, "Lens"},
    {21, "Keywords"},
};

bool IsDateOrTime(int64_t tag) { return tag >= 3 && tag <= 6; }

bool HasTokenWith(const TokenArray& tokens, const std::function<bool(int64_t)>& test) {
  for (const TokenElement& element : tokens) {
    const auto* token = std::get_if<QVXWatermarkTextToken>(&element);
    if (token && test(token->tokenTag())) return true;
  }
  return false;
}

}  // namespace

WatermarkTextTokens::WatermarkTextTokens(QObject* parent) : QObject(parent), menu_(new QMenu) {
  menu_->setObjectName(QStringLiteral("textTextFieldInsertTokenMenu"));
  for (const MenuItem& item : kMenuItems) {
    if (!item.title) {
      QAction* separator = menu_->addSeparator();
      if (item.tag < 0) menuItems_.insert(-item.tag, separator);
      continue;
    }
    QAction* action = nullptr;
    if (IsDateOrTime(item.tag)) {
      QMenu* formats = menu_->addMenu(LocalizedString(item.title));
      action = formats->menuAction();
    } else {
      action = menu_->addAction(LocalizedString(item.title));
      connect(action, &QAction::triggered, this,
              [this, action] { InsertWatermarkTokenMenuAction(action); });
    }
    action->setData(item.tag);
    menuItems_.insert(item.tag, action);
  }
  QVXDateFormaterViewController::sharedDateFormaterViewController()->setDelegate(this);
  QVXIndexNumberFormaterViewController::sharedIndexNumberFormaterViewController()->setDelegate(
      this);
}

WatermarkTextTokens::~WatermarkTextTokens() {
  auto* dates = QVXDateFormaterViewController::sharedDateFormaterViewController();
  if (dates->delegate() == this) dates->setDelegate(nullptr);
  auto* numbers = QVXIndexNumberFormaterViewController::sharedIndexNumberFormaterViewController();
  if (numbers->delegate() == this) numbers->setDelegate(nullptr);
  delete menu_;
}

void WatermarkTextTokens::attach(TokenField* field) {
  field->setHasMenu(&WatermarkTextTokens::tokenFieldHasMenuForRepresentedObject);
  connect(field, &TokenField::tokenClicked, this,
          [this, field](const TokenRef& token, const QPoint& location) {
            tokenFieldMenuForRepresentedObject(field, token, location);
          });
}

void WatermarkTextTokens::setTextTextFieldOutlet(TokenField* field) {
  textField_ = field;
  if (!field) return;
  field->setAcceptsLineBreaks(true);
  attach(field);
}

void WatermarkTextTokens::setRenameTokenTextFieldOutlet(TokenField* field) {
  renameField_ = field;
  if (!field) return;
  field->setAcceptsLineBreaks(false);
  attach(field);
}

bool WatermarkTextTokens::tokenFieldHasMenuForRepresentedObject(
    const QVXWatermarkTextToken& token) {
  return token.tokenTag() < 11 || token.tokenTag() > 13;
}

void WatermarkTextTokens::tokenFieldMenuForRepresentedObject(TokenField* field,
                                                             const TokenRef& token,
                                                             const QPoint& location) {
  if (!field || !token) return;
  token->setClickLocation(location);
  clickedField_ = field;
  clickedToken_ = token;
  QTimer::singleShot(0, this, [this] { showPopover(); });
}

void WatermarkTextTokens::showPopover() {
  if (!clickedField_ || !clickedToken_) return;
  const QVXWatermarkTextToken& token = *clickedToken_;
  const QPoint at = token.clickLocation().toPoint();
  const QRect rect(at.x() - 5, at.y() - 5, 10, 10);
  auto* dates = QVXDateFormaterViewController::sharedDateFormaterViewController();
  switch (token.tokenTag()) {
    case 3:
    case 5:
      dates->setDateFormat(token.dateTimeFormatString(), token.caseTag(), clickedField_, rect);
      break;
    case 4:
    case 6:
      dates->setTimeFormat(token.dateTimeFormatString(), token.caseTag(), clickedField_, rect,
                           clickedField_ == renameField_);
      break;
    case 1:
      QVXIndexNumberFormaterViewController::sharedIndexNumberFormaterViewController()
          ->setStartDigit(token.startDigit(), token.numberLength(), clickedField_, rect);
      break;
    default:
      dates->setCase(token.caseTag(), clickedField_, rect);
      break;
  }
}

void WatermarkTextTokens::dateFormaterViewController(QVXDateFormaterViewController*,
                                                     const QString& format, int64_t caseTag) {
  if (!clickedToken_) return;
  // An unreadable format list offers no format: the token keeps its own.
  if (IsDateOrTime(clickedToken_->tokenTag()) && !format.isEmpty())
    clickedToken_->setDateTimeFormatString(format);
  clickedToken_->setCaseTag(caseTag);
  announceClickedFieldChange();
}

void WatermarkTextTokens::indexNumberFormaterViewController(QVXIndexNumberFormaterViewController*,
                                                            int64_t startIndex,
                                                            int64_t numberLength) {
  if (!clickedToken_) return;
  if (clickedToken_->tokenTag() == 1) {
    clickedToken_->setStartDigit(startIndex);
    clickedToken_->setNumberLength(numberLength);
  }
  announceClickedFieldChange();
}

void WatermarkTextTokens::announceClickedFieldChange() {
  if (!clickedField_) return;
  clickedField_->refreshTokens();
  clickedField_->announceEdit();
}

void WatermarkTextTokens::PrepareTokenMenu(int tag) {
  const bool watermark = tag == kWatermarkInsertButtonTag;
  menuItems_.value(kMenuIndexTag)->setVisible(!watermark);
  menuItems_.value(kMenuRenameOnlySeparatorTag)->setVisible(!watermark);
  menuItems_.value(kMenuNewFileNameTag)->setVisible(watermark);

  // Both date items offer the date formats, both time items the time formats of the field.
  const auto refill = [this](int source, int copy, const std::function<void(QMenu*)>& reset) {
    QMenu* formats = menuItems_.value(source)->menu();
    reset(formats);
    QMenu* copies = menuItems_.value(copy)->menu();
    copies->clear();
    for (QAction* item : formats->actions()) {
      QAction* duplicate =
          item->isSeparator() ? copies->addSeparator() : copies->addAction(item->text());
      duplicate->setToolTip(item->toolTip());
      duplicate->setData(item->data());
    }
    for (QMenu* menu : {formats, copies}) {
      for (QAction* item : menu->actions()) {
        if (item->isSeparator()) continue;
        connect(item, &QAction::triggered, this,
                [this, item] { InsertWatermarkDateTimeTokenMenuAction(item); });
      }
    }
  };
  refill(3, 5, [](QMenu* menu) { resetDateFormatMenu(menu, QString()); });
  refill(4, 6, [tag](QMenu* menu) {
    resetTimeFormatMenu(menu, QString(), tag == kRenameInsertButtonTag);
  });

  QFont font = QApplication::font(menu_);
  font.setPointSizeF(std::max(6.0, font.pointSizeF() - 2.0));
  menu_->setFont(font);
  for (int tag : {3, 4, 5, 6}) menuItems_.value(tag)->menu()->setFont(font);
  clickedField_ = watermark ? textField_ : renameField_;
}

void WatermarkTextTokens::PopupTextWatermarkTokenMenu(QWidget* sender, int tag) {
  if (!sender) return;
  PrepareTokenMenu(tag);
  menu_->popup(sender->mapToGlobal(QPoint(0, sender->height())));
}

void WatermarkTextTokens::InsertWatermarkTokenMenuAction(QAction* item) {
  if (!item) return;
  const int tag = item->data().toInt();
  if (IsDateOrTime(tag)) {
    const QMenu* formats = item->menu();
    if (!formats) return;
    for (QAction* first : formats->actions()) {
      if (!first->isSeparator()) {
        InsertWatermarkDateTimeTokenMenuAction(first);
        break;
      }
    }
    return;
  }
  InsertWatermarkToken(QVXWatermarkTextToken(item->text(), tag));
}

void WatermarkTextTokens::InsertWatermarkDateTimeTokenMenuAction(QAction* item) {
  const auto* formats = item ? qobject_cast<QMenu*>(item->parent()) : nullptr;
  if (!formats) return;
  const QAction* parentItem = formats->menuAction();
  InsertWatermarkToken(
      QVXWatermarkTextToken(parentItem->text(), parentItem->data().toInt(), item->toolTip()));
}

void WatermarkTextTokens::InsertWatermarkToken(const QVXWatermarkTextToken& token) {
  if (clickedField_) clickedField_->insertToken(token);
}

bool WatermarkTextTokens::IsTextWatermarkContainsRenameTokens(const TokenArray& tokens) {
  return HasTokenWith(tokens, [](int64_t tag) { return tag == 8; });
}

bool WatermarkTextTokens::IsTextWatermarkContainsResizeTokens(const TokenArray& tokens) {
  return HasTokenWith(tokens, [](int64_t tag) { return tag >= 11 && tag <= 13; });
}

}  // namespace glimbrik
