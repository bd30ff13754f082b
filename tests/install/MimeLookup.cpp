// Prints the MIME type of each file named on the command line, one a line, as
// the shared MIME database in the XDG data folders names it.

#include <QCoreApplication>
#include <QMimeDatabase>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList files = QCoreApplication::arguments().mid(1);
    const QMimeDatabase database;
    for (const QString& file : files)
        std::printf("%s\n", qPrintable(database.mimeTypeForFile(file).name()));
    return files.isEmpty() ? 2 : 0;
}
