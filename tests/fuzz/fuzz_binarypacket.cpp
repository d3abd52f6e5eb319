// Any bytes through the binary reader, then on into a dataset and back out in both encodings.
// The data is not copied: reading one byte past it is an AddressSanitizer error.

#include "BinaryPacketReader.h"
#include "BinaryPacketWriter.h"
#include "Dataset.h"
#include "DatasetPacket.h"
#include "VarnoError.h"
#include "XmlPacketWriter.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!BinaryPacketReader::hasMagic(bytes))
        return 0;
    try {
        const DataPacket packet = BinaryPacketReader::read(bytes);
        const QByteArray again = BinaryPacketWriter::write(packet);
        BinaryPacketReader::read(again);
        XmlPacketWriter::write(packet);
        Dataset ds;
        DatasetPacket::open(ds, packet);
        BinaryPacketWriter::write(DatasetPacket::fromDataset(ds));
        ds.xmlData();
    } catch (const VarnoError&) {
    }
    return 0;
}
