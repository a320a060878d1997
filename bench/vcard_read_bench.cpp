// Reading a vCard file of 100,000 cards into their values, as Import VCard... does aside:
// ImportVCardFile from the file's bytes to every card's values. Beside it, in the same run,
// the floor: what Qt alone needs to decode the same file and cut it into its cards and their
// lines (QStringDecoder, then QString::split at the cards' ends and at the line ends). The
// reading grows with the cards; it should stay within a few times the floor.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include "database/exchange/ImportVCardFile.h"

using namespace quillmark;

namespace {

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

// Cards as an address book program writes them: names, company, e-mail, a phone, an address
// of the work profile and one folded line.
QString cardsFile(int cards)
{
    const QString path = workDir().filePath(QStringLiteral("people-%1.vcf").arg(cards));
    if (QFile::exists(path))
        return path;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray chunk;
    for (int i = 0; i < cards; ++i) {
        const QByteArray n = QByteArray::number(i);
        chunk += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Family" + n + ";Given" + n + ";;;\r\nFN:Given" + n + " Family" + n
                 + "\r\nORG:Acme " + QByteArray::number(i % 97) + "\r\nEMAIL;TYPE=INTERNET:given" + n
                 + "@example.org\r\nTEL;TYPE=WORK:+1 555 " + QByteArray::number(1000 + i % 9000) + "\r\nADR;TYPE=WORK:;;"
                 + QByteArray::number(i % 900 + 1) + " Main St;Town" + QByteArray::number(i % 500) + ";ST;"
                 + QByteArray::number(10000 + i % 90000) + ";USA\r\nNOTE:A note long enough to be folded by the program that"
                 + " wrote it\r\n  onto a second line\r\nEND:VCARD\r\n";
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return path;
}

void BM_ReadCards(benchmark::State &state)
{
    const QString path = cardsFile(int(state.range(0)));
    qsizetype cards = 0;
    for (auto _ : state) {
        const ImportVCardFile file(path, {}, QStringLiteral("Work"));
        cards = file.cards().size();
        benchmark::DoNotOptimize(file.cards().constData());
    }
    state.counters["cards"] = double(cards);
    state.SetItemsProcessed(state.iterations() * cards);
}
BENCHMARK(BM_ReadCards)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FloorDecodeAndSplit(benchmark::State &state)
{
    const QString path = cardsFile(int(state.range(0)));
    qsizetype lines = 0;
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QStringDecoder decoder(QStringConverter::Utf8);
        const QString text = decoder.decode(file.readAll());
        lines = 0;
        for (const QString &card : text.split(QStringLiteral("END:VCARD"), Qt::SkipEmptyParts))
            lines += card.split(QStringLiteral("\r\n")).size();
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = double(lines);
}
BENCHMARK(BM_FloorDecodeAndSplit)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
