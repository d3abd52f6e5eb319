// Save and load of a form holding a 4 MiB picture, against plain QFile writing and reading the
// same bytes; and the XML rendering of the same form.

#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>
#include <utility>

class BenchPacketFiles : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    Dataset m_form{QStringLiteral("TblScheda")};
    QString m_path;
    QByteArray m_fileBytes;

private slots:
    void initTestCase() {
        m_form.createFields(SchemaScheda());
        connect(&m_form, &Dataset::newRecord, this, [](Dataset* d) { TblSchedaNewRecord(d); });
        m_form.createDataSet();
        m_form.append();
        QByteArray picture(4 * 1024 * 1024, '\0');
        quint32 x = 12345;
        for (char& c : picture) {
            x = x * 1103515245 + 12345;
            c = char(x >> 24);
        }
        m_form.fieldByName(QStringLiteral("S1_FotocopiaAggregato"))->setValue(picture);
        m_form.fieldByName(QStringLiteral("S9_Annotazioni"))
            ->setValue(QByteArray("Crepa d'angolo\r\nlato nord"));
        m_form.post();
        m_form.mergeChangeLog();
        m_path = m_dir.filePath(QStringLiteral("bench.VARNO"));
        m_form.saveToFile(m_path);
        QFile f(m_path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        m_fileBytes = f.readAll();
    }

    void saveAndLoad() {
        Dataset scratch;
        QBENCHMARK {
            m_form.saveToFile(m_path);
            scratch.loadFromFile(m_path);
        }
        QCOMPARE(scratch.rows(), m_form.rows());
    }

    void saveOnly() {
        QBENCHMARK {
            m_form.saveToFile(m_path);
        }
    }

    void loadOnly() {
        Dataset scratch;
        QBENCHMARK {
            scratch.loadFromFile(m_path);
        }
    }

    void plainQFileSameBytes() {
        const QString path = m_dir.filePath(QStringLiteral("plain.bin"));
        QByteArray back;
        QBENCHMARK {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(m_fileBytes);
            out.close();
            QFile in(path);
            QVERIFY(in.open(QIODevice::ReadOnly));
            back = in.readAll();
        }
        QCOMPARE(back.size(), m_fileBytes.size());
    }

    // The same with the bytes forced to disk before reading, as a safe save does.
    void plainQFileSameBytesSynced() {
        const QString path = m_dir.filePath(QStringLiteral("plain.bin"));
        QByteArray back;
        QBENCHMARK {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(m_fileBytes);
            out.flush();
            ::fdatasync(out.handle());
            out.close();
            QFile in(path);
            QVERIFY(in.open(QIODevice::ReadOnly));
            back = in.readAll();
        }
        QCOMPARE(back.size(), m_fileBytes.size());
    }

    void xmlRendering() {
        QByteArray xml;
        QBENCHMARK {
            xml = m_form.xmlData();
        }
        QElapsedTimer timer;
        timer.start();
        const int runs = 20;
        for (int i = 0; i < runs; ++i)
            xml = m_form.xmlData();
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        static bool reported = false; // QBENCHMARK runs the function more than once
        if (!std::exchange(reported, true))
            qInfo("XML text: %lld bytes, %.0f MB/s", qlonglong(xml.size()),
                  double(xml.size()) * runs / seconds / 1e6);
    }
};

QTEST_GUILESS_MAIN(BenchPacketFiles)
#include "bench_packetfiles.moc"
