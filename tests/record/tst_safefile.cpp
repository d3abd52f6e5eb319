#include "DiscoPieno.h"
#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList filesIn(const QString& dir) {
    QStringList l = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    l.removeAll(QStringLiteral("riempitivo"));
    return l;
}

} // namespace

class TestSafeFile : public QObject {
    Q_OBJECT
private slots:
    // A new file, a replaced file with its mode, a link whose target is replaced.
    void replaces() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.VARNO"));
        QVERIFY(SafeFile::replace(path, "first"));
        QCOMPARE(readAll(path), QByteArray("first"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        QVERIFY(SafeFile::replace(path, "second, longer"));
        QCOMPARE(readAll(path), QByteArray("second, longer"));
        QCOMPARE(QFile::permissions(path) & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup),
                 QFile::ReadOther);

        const QString link = dir.filePath(QStringLiteral("link.Ini"));
        QVERIFY(QFile::link(path, link));
        QVERIFY(SafeFile::replace(link, "through the link"));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readAll(path), QByteArray("through the link"));
        QCOMPARE(filesIn(dir.path()), (QStringList{QStringLiteral("a.VARNO"), QStringLiteral("link.Ini")}));
    }

    void failures() {
        QTemporaryDir dir;
        QString reason;
        QVERIFY(!SafeFile::replace(dir.filePath(QStringLiteral("none/a.VARNO")), "x", &reason));
        QVERIFY(!reason.isEmpty());

        // A cancelled or abandoned stream leaves nothing behind.
        const QString path = dir.filePath(QStringLiteral("b.VARNO"));
        QVERIFY(SafeFile::replace(path, "old"));
        {
            SafeFile out(path);
            QVERIFY(out.open());
            QVERIFY(out.write("new"));
        }
        SafeFile cancelled(path);
        QVERIFY(cancelled.open());
        QVERIFY(cancelled.write("new"));
        cancelled.cancel();
        QVERIFY(!cancelled.commit());
        QCOMPARE(readAll(path), QByteArray("old"));
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("b.VARNO")});
    }

    void fullDisk_data() {
        QTest::addColumn<QString>("modo");
        QTest::addColumn<int>("size");
        for (const QString& m : DiscoPieno::modi()) {
            QTest::newRow(qPrintable(m + QStringLiteral(" small"))) << m << 40;
            QTest::newRow(qPrintable(m + QStringLiteral(" large"))) << m << 300000;
        }
    }

    // Small or large, bytes that do not fit fail the replacement and the old file stays.
    void fullDisk() {
        QFETCH(QString, modo);
        QFETCH(int, size);
        DiscoPieno disco(modo);
        if (!disco.motivo().isEmpty())
            QSKIP(qPrintable(disco.motivo()));
        const QString path = disco.percorso(QStringLiteral("c.VARNO"));
        QVERIFY(SafeFile::replace(path, "the earlier bytes"));
        disco.riempi();
        QString reason;
        const bool ok = SafeFile::replace(path, QByteArray(size, 'n'), &reason);
        SafeFile streamed(path);
        const bool streamOk = streamed.open() && streamed.write(QByteArray(size / 2, 'a')) &&
                              streamed.write(QByteArray(size / 2, 'b')) && streamed.commit();
        disco.svuota();
        QVERIFY(!ok);
        QVERIFY(!streamOk);
        QVERIFY(!reason.isEmpty());
        QVERIFY(!streamed.errorString().isEmpty());
        QCOMPARE(readAll(path), QByteArray("the earlier bytes"));
        QCOMPARE(filesIn(disco.cartella()), QStringList{QStringLiteral("c.VARNO")});
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
