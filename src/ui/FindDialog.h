#pragma once

#include <QDialog>

class MainWindow;
class QCheckBox;
class QLineEdit;
class QPushButton;

// The Find Contact dialog: finds a text in the names and numbers of the phone
// book, selects each matching contact in turn, and replaces the text in the
// matched field or in every contact from the last match on. The options and
// the last text found persist between openings.
class FindDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FindDialog(MainWindow& window);

protected:
    void done(int result) override;

private:
    void onFindChanged();
    void onReplaceChanged();
    void findNext(bool replace);
    void replaceAll();
    bool askInvalidNumber(const std::string& number);
    void notFound();

    MainWindow& m_window;
    QLineEdit* m_find = nullptr;
    QLineEdit* m_replace = nullptr;
    QPushButton* m_findNext = nullptr;
    QPushButton* m_replaceOne = nullptr;
    QPushButton* m_replaceAll = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QCheckBox* m_wholeWord = nullptr;
};
