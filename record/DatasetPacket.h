#pragma once

#include "DataPacket.h"

class Dataset;
struct FieldDef;

// The mapping between a dataset and its datapacket: field kinds to column types and back, the
// auto-increment counter to AUTOINCVALUE, values to the packet's value forms. Form files are
// written after the change log is merged, so every row has status 0.
class DatasetPacket {
public:
    static DataPacket fromDataset(const Dataset& dataset);
    // The same from a copy of a dataset's columns, rows and counter, so that a packet can be made
    // away from the dataset (on another thread) while the dataset goes on changing.
    static DataPacket fromRows(const QList<FieldDef>& columns, const QList<QList<QVariant>>& rows,
                               int autoIncValue);
    // Opens the dataset on the packet's columns and rows. Raises "Invalid field type." for a
    // column no field kind can hold; the dataset is then left as it was.
    static void open(Dataset& dataset, const DataPacket& packet);
    // The same, turning the packet's rows into the dataset's in place, so loading holds one copy
    // of the rows and not two; the packet's rows are left empty.
    static void open(Dataset& dataset, DataPacket&& packet);

    // The column a field definition becomes, and the definition a column loads as.
    static PacketColumn columnOf(const FieldDef& def);
    static FieldDef defOf(const PacketColumn& column);
    // The type code a kind and size give when the column carries no type code of its own.
    static quint32 typeCodeOf(const FieldDef& def);
};
