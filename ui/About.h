// SPDX-License-Identifier: MIT
#pragma once
// TFormAbout: the modal About box with the icon, title, version, copyright line, a copyright warning and
// the clickable home-page link. Created for one showing and destroyed after it. Main thread only.

#include <QDialog>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

class QLabel;
class QPushButton;

namespace tervane {

class TFormAbout : public QDialog
{
    Q_OBJECT

public:
    /// Modal results, as exec() returns them.
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    explicit TFormAbout(QWidget* Owner);

    /// Fills every running-system text once, from the controls' own design texts used as formats.
    void FormCreate(QObject* Sender);
    void ButtonOKClick(QObject* Sender);
    void LabelWebClick(QObject* Sender);

    // Controls in declaration order, named as their objectName.
    QLabel* ImageIcon = nullptr;
    QLabel* LabelAppName = nullptr;
    QLabel* LabelVersion = nullptr;
    QLabel* LabelCopyRight = nullptr;
    QLabel* LabelWeb = nullptr;
    QPushButton* ButtonOK = nullptr;
    QLabel* LabelWarning = nullptr;

    /// The box has no cancel button, but the close box and Alt+F4 end it with mrCancel.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

/// Where a box of `box` outer size goes: centred on `primary` (an offset that would be negative becomes
/// 0); if `activeWindow` lies on another of `monitors` than the one the box would occupy, centred on the
/// active window's monitor instead. A rectangle belongs to the monitor it overlaps most, else the nearest.
[[nodiscard]] QPoint aboutBoxPosition(QSize box, const QRect& primary, const QList<QRect>& monitors,
                                      const std::optional<QRect>& activeWindow);

/// The "About..." command: creates the box owned by `owner`, shows it modally, destroys it afterwards,
/// also when showing it throws.
void ShowAboutBox(QWidget* owner);

} // namespace tervane
