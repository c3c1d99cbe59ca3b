// The quindle program: its options, a picture of the start page, and scripts in the text
// client's language (with `shot`) whose exit status says whether they held.
#include <QImage>
#include <QtTest>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Run {
    int status { -1 };
    QString output; // standard output and errors together
};

Run runQuindle(const std::string& arguments)
{
    std::string command = std::string(QUINDLE_BUILD_DIR) + "/frontends/qt/quindle " + arguments + " 2>&1";
    Run run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer {};
    size_t n;
    std::string output;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.output = QString::fromStdString(output);
    return run;
}

int distinctColours(const QImage& image)
{
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

} // namespace

class QuindleProgramTest : public QObject {
    Q_OBJECT

    std::filesystem::path folder;

    std::string write(const char* name, const std::string& text)
    {
        auto path = folder / name;
        std::ofstream(path) << text;
        return path.string();
    }

private slots:
    void initTestCase()
    {
        folder = std::filesystem::temp_directory_path() / ("quindle-program-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        setenv("QUINDLE_DOCUMENTS", folder.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }

    void cleanupTestCase()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void optionsAsTheTextClientTakesThem()
    {
        Run help = runQuindle("--help");
        QCOMPARE(help.status, 0);
        QVERIFY(help.output.contains("--screenshot"));
        QVERIFY(help.output.contains("--demo-db"));
        Run bogus = runQuindle("--bogus");
        QCOMPARE(bogus.status, 2);
        QVERIFY(bogus.output.contains("unknown option --bogus"));
        QCOMPARE(runQuindle("--demo --server http://127.0.0.1:1").status, 2);
        QCOMPARE(runQuindle("--script").status, 2);
        QCOMPARE(runQuindle("--script /nonexistent/walk.term").status, 2);
    }

    void aPictureOfTheLoadedStartPage()
    {
        std::string picture = (folder / "start.png").string();
        Run run = runQuindle("--screenshot " + picture);
        QVERIFY2(run.status == 0, qPrintable(run.output));
        QImage image(QString::fromStdString(picture));
        QCOMPARE(image.size(), QSize(390, 844));
        QVERIFY(distinctColours(image) > 20);
    }

    void scriptsDriveTheWindowAndSetTheExitStatus()
    {
        std::string pushed = (folder / "events.png").string();
        std::string good = write("good.term", "expect Welcome to Quindle Care Home\ntap 4\nwait\nexpect Summer fair\nshot " + pushed + "\nback\nreject Summer fair\n");
        Run run = runQuindle("--script " + good);
        QVERIFY2(run.status == 0, qPrintable(run.output));
        QImage image(QString::fromStdString(pushed));
        QCOMPARE(image.size(), QSize(390, 844));
        QVERIFY(distinctColours(image) > 5);

        std::string bad = write("bad.term", "expect Welcome\nexpect Nowhere\nquit\n");
        Run failed = runQuindle("--script " + bad);
        QCOMPARE(failed.status, 1);
        QVERIFY2(failed.output.contains("bad.term:2: expect Nowhere"), qPrintable(failed.output));
    }
};

QTEST_GUILESS_MAIN(QuindleProgramTest)
#include "test_QuindleProgram.moc"
