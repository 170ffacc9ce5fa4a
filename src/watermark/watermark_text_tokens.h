#pragma once

// The token handling of the two token fields, the watermark text and the rename pattern: which
// tokens offer options, the insert-token menu, the formatter popovers and their answers. One
// instance serves both fields and answers the shared popovers.

#include <QMap>
#include <QObject>
#include <QPointer>

#include "engine/tokens/text_token.h"
#include "widgets/date_formater_view_controller.h"
#include "widgets/index_number_formater_view_controller.h"
#include "widgets/token_field.h"

class QAction;
class QMenu;

namespace glimbrik {

// Tags of the insert-token menu's items (token tags, and 2 for the line after the
// rename-only index item).
enum InsertTokenMenuTag : int {
  kMenuIndexTag = 1,
  kMenuRenameOnlySeparatorTag = 2,
  kMenuNewFileNameTag = 8,
};
// Tags of the insert-token buttons.
inline constexpr int kWatermarkInsertButtonTag = 1;
inline constexpr int kRenameInsertButtonTag = 2;

class WatermarkTextTokens : public QObject,
                            public QVXDateFormaterViewControllerDelegate,
                            public QVXIndexNumberFormaterViewControllerDelegate {
  Q_OBJECT
 public:
  explicit WatermarkTextTokens(QObject* parent = nullptr);
  ~WatermarkTextTokens() override;

  // The fields served; the watermark text takes line breaks, the rename pattern does not.
  void setTextTextFieldOutlet(TokenField* field);
  void setRenameTokenTextFieldOutlet(TokenField* field);
  TokenField* textTextFieldOutlet() const { return textField_; }
  TokenField* renameTokenTextFieldOutlet() const { return renameField_; }

  // Resize values (tags 11-13) have no options; every other token has.
  static bool tokenFieldHasMenuForRepresentedObject(const QVXWatermarkTextToken& token);
  // A click on a token: it becomes the clicked token and its popover opens on the next pass of
  // the event loop.
  void tokenFieldMenuForRepresentedObject(TokenField* field, const TokenRef& token,
                                          const QPoint& location);
  void showPopover();

  void dateFormaterViewController(QVXDateFormaterViewController* controller, const QString& format,
                                  int64_t caseTag) override;
  void indexNumberFormaterViewController(QVXIndexNumberFormaterViewController* controller,
                                         int64_t startIndex, int64_t numberLength) override;

  // The insert-token menu for a button (tag 1 the watermark field's, 2 the rename field's):
  // prepared for that field, then popped up below the button.
  void PopupTextWatermarkTokenMenu(QWidget* sender, int tag);
  void PrepareTokenMenu(int tag);
  void InsertWatermarkTokenMenuAction(QAction* item);
  void InsertWatermarkDateTimeTokenMenuAction(QAction* item);
  // Into the clicked field: at the caret while it is being edited, else at the end.
  void InsertWatermarkToken(const QVXWatermarkTextToken& token);

  QMenu* textTextFieldInsertTokenMenu() const { return menu_; }
  QAction* menuItemWithTag(int tag) const { return menuItems_.value(tag); }
  TokenField* clickedField() const { return clickedField_; }
  const TokenRef& clickedToken() const { return clickedToken_; }

  static bool IsTextWatermarkContainsRenameTokens(const TokenArray& tokens);
  static bool IsTextWatermarkContainsResizeTokens(const TokenArray& tokens);

 private:
  void attach(TokenField* field);
  // The clicked field shows its tokens' new options and reports the edit.
  void announceClickedFieldChange();

  QPointer<TokenField> textField_;
  QPointer<TokenField> renameField_;
  // The last clicked field and token. The token is shared with the field, so a token deleted
  // while its popover is open still takes the answer harmlessly.
  QPointer<TokenField> clickedField_;
  TokenRef clickedToken_;
  QMenu* menu_;
  QMap<int, QAction*> menuItems_;
};

}  // namespace glimbrik
