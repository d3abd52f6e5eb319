// Any bytes through the XML reader, then on into a dataset and back out in both encodings.
// The data is not copied: reading one byte past it is an AddressSanitizer error.

#include "BinaryPacketReader.h"
#include "BinaryPacketWriter.h"
#include "Dataset.h"
#include "DatasetPacket.h"
#include "VarnoError.h"
#include "XmlPacketReader.h"
#include "XmlPacketWriter.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const DataPacket packet = XmlPacketReader::read(bytes);
        const QByteArray xml = XmlPacketWriter::write(packet);
        XmlPacketReader::read(xml);
        BinaryPacketReader::read(BinaryPacketWriter::write(packet));
        Dataset ds;
        DatasetPacket::open(ds, packet);
        ds.xmlData();
    } catch (const VarnoError&) {
    }
    return 0;
}
