#pragma once

#include <QObject>
#include <QString>

class QDialog;
class QLabel;

namespace glimbrik {

// The maker's addresses shown in the About panel and opened from the Help menu.
inline constexpr char kMakerWebAddress[] = "https://www.tarnwell.example/glimbrik";
inline constexpr char kSupportWebAddress[] = "https://www.tarnwell.example/glimbrik/support";
inline constexpr char kSupportEmailAddress[] = "support@tarnwell.example";

// "short (build)", each part "1" when missing or empty.
QString AboutVersionString(const QString& shortVersion, const QString& buildVersion);

// The About panel: name, version, copyright, web and support links and the credits. It hides
// as soon as it stops being the active window.
class AboutPanelController : public QObject {
  Q_OBJECT
 public:
  static AboutPanelController* sharedInstance();
  ~AboutPanelController() override;

  void showPanel();
  void hidePanel();

  QLabel* appNameField = nullptr;
  QLabel* versionField = nullptr;
  QLabel* copyrightField = nullptr;
  QLabel* webURLField = nullptr;
  QLabel* supportEmailField = nullptr;
  QLabel* otherInfoField = nullptr;
  QDialog* aboutWindow = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  AboutPanelController();
  void awakeFromNib();
};

}  // namespace glimbrik
