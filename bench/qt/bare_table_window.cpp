// The peer of the cold-start benchmark: a bare Qt window of the phone's size with one table of
// the demo start page's rows, shown, grabbed to the PNG named on the command line, then closed.
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QTableWidget>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QStringList rows { "Welcome to Quindle Care Home", "Visiting hours are 10:00 to 19:00 every day.", "Our garden", "Gallery",
        "Events", "A tour of the home", "Contact us", "Resident assessment", "Call us" };
    QTableWidget table(int(rows.size()), 1);
    table.horizontalHeader()->hide();
    table.horizontalHeader()->setStretchLastSection(true);
    for (int i = 0; i < rows.size(); ++i)
        table.setItem(i, 0, new QTableWidgetItem(rows[i]));
    table.resize(390, 844);
    table.show();
    const QString path = QString::fromLocal8Bit(argv[1]);
    int status = 1;
    QTimer::singleShot(0, [&] {
        const QString part = path + ".part";
        status = table.grab().save(part, "PNG") && (!QFile::exists(path) || QFile::remove(path)) && QFile::rename(part, path) ? 0 : 1;
        app.quit();
    });
    app.exec();
    return status;
}
