#pragma once

#include <QDialog>

#include <optional>
#include <string>

class QAbstractItemView;
class QCheckBox;
class QPushButton;
class QWidget;

// Makes a window translucent (alpha 0..255; 255 leaves it untouched). Always 1.
int setWindowTransparent(QWidget* window, int alpha);

// The desktop's wallpaper file, where the desktop lets us read it.
std::optional<std::string> desktopWallpaper();

// Resolves the "Background Picture" setting ("none", "wallpaper" or a file)
// and shows the picture centred behind the rows of `list`. The picture is
// only reloaded when the resolved path changes.
void applyBackgroundPicture(QAbstractItemView* list);
// The picture the list shows now ("" for none).
std::string currentBackgroundPicture(QAbstractItemView* list);

// Sets the list's text colour (0x00BBGGRR) and redraws the rows.
void setListTextColor(QAbstractItemView* list, uint32_t bgr);
uint32_t listTextColor(const QAbstractItemView* list);

// The options dialog: the list's text colour and its background picture.
class OptionsDialog : public QDialog
{
    Q_OBJECT

public:
    OptionsDialog(QAbstractItemView* list, QWidget* parent);

    QPushButton* textColorButton() const { return m_color; }
    QPushButton* browseButton() const { return m_browse; }
    QCheckBox* pictureBox() const { return m_enable; }

    void accept() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void chooseColor();
    void browse();
    void togglePicture(bool on);

    QAbstractItemView* m_list;
    QPushButton* m_color;
    QPushButton* m_browse;
    QCheckBox* m_enable;
    QPoint m_dragOffset;
};

// The Options command: runs the dialog, then applies the picture once more.
void showOptionsDialog(QAbstractItemView* list, QWidget* owner);
