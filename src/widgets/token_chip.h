#pragma once

#include <QObject>
#include <QTextObjectInterface>

namespace glimbrik {

class TokenField;

// The object type and property under which a token sits in a token field's document.
inline constexpr int kTokenObjectType = QTextFormat::UserObject + 1;
inline constexpr int kTokenProperty = QTextFormat::UserProperty + 1;

// Lays out and draws a token of a field's document as a rounded chip with the token's text.
class TokenChipRenderer : public QObject, public QTextObjectInterface {
  Q_OBJECT
  Q_INTERFACES(QTextObjectInterface)
 public:
  explicit TokenChipRenderer(const TokenField* field) : field_(field) {}

  QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                  const QTextFormat& format) override;

 private:
  const TokenField* field_;
};

}  // namespace glimbrik
