// The barcode sequence file: one value a line, read and stepped through label by label.
// The first bytes also choose the counter and step, as a design's sequence settings do.
#include "barcodes/TSequence.h"
#include "fuzz/FuzzSupport.h"

using namespace quillmark;

QM_FUZZ_TARGET(sequence)
{
    const QByteArray input = qmfuzz::bytes(data, size);
    const std::string bytes = input.toStdString();
    splitSequenceData(bytes);

    TSequence fileSequence;
    fileSequence.isPresent = 1;
    fileSequence.isFile = 1;
    fileSequence.counter = "1";
    fileSequence.path = qmfuzz::scratchFile(QStringLiteral("sequence.txt"), input);
    QString error;
    if (getseq_datafile(fileSequence, &error))
        for (int64_t label : {int64_t(0), int64_t(1), int64_t(7), int64_t(1000000), int64_t(-3)})
            makeSeqBarData(fileSequence, label, "123", &error);

    // A counting sequence whose fields come from the input's first lines.
    const QList<QByteArray> lines = input.split('\n');
    TSequence counting;
    counting.isPresent = 1;
    counting.prefix = lines.value(0).left(64).toStdString();
    counting.counter = lines.value(1).left(64).toStdString();
    counting.increment = lines.value(2).left(64).toStdString();
    counting.postamble = lines.value(3).left(64).toStdString();
    counting.repeat = lines.value(4).toInt();
    for (int64_t label : {int64_t(0), int64_t(1), int64_t(99), int64_t(INT32_MAX), int64_t(INT64_MAX / 2)}) {
        sequenceCounterValue(counting, label);
        makeSeqBarData(counting, label, "42", &error);
    }
    leadingDecimal(bytes);
    isValidUtf8(bytes);
    return 0;
}
