#pragma once
// Running tengun-cli as a process from the end-to-end tests.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace tengun::testing {

struct CliRun {
    int exit_code = -1;
    QString out;
    QString err;
    QJsonObject json;  ///< stdout as a JSON object; empty when it is not one
};

/// Runs tengun-cli in `dir` without QT_QPA_PLATFORM, so it has to choose its platform itself,
/// and with the "NAME=value" settings of `environment` added.
inline CliRun run_cli(const QStringList& args, const QString& dir = {},
                      const QStringList& environment = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    for (const QString& setting : environment) {
        const qsizetype equals = setting.indexOf('=');
        env.insert(setting.left(equals), setting.mid(equals + 1));
    }
    process.setProcessEnvironment(env);
    if (!dir.isEmpty()) {
        process.setWorkingDirectory(dir);
    }
    process.start(TENGUN_CLI_PATH, args);
    process.waitForFinished(-1);
    CliRun run;
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "tengun-cli crashed";
    run.exit_code = process.exitCode();
    const QByteArray out = process.readAllStandardOutput();
    run.out = QString::fromUtf8(out);
    run.err = QString::fromUtf8(process.readAllStandardError());
    QJsonParseError e{};
    const QJsonDocument doc = QJsonDocument::fromJson(out, &e);
    if (e.error == QJsonParseError::NoError && doc.isObject()) {
        run.json = doc.object();
    }
    return run;
}

inline double field_number(const CliRun& run, const char* name)
{
    bool ok = false;
    const QString text = run.json["fields"].toObject()[name].toString();
    const double x = text.toDouble(&ok);
    EXPECT_TRUE(ok) << name << " = \"" << text.toStdString() << '"';
    return x;
}

/// Pixels darker than mid grey: text and lines on the white picture.
inline int dark_pixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
        }
    }
    return n;
}

/// Writes a test input file for tengun-cli.
inline void write_file(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

inline void write_file(const QString& path, const std::string& bytes)
{
    write_file(path, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

inline void write_file(const QString& path, const char* text)
{
    write_file(path, QByteArray(text));
}

}  // namespace tengun::testing
