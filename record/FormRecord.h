#pragma once

class Dataset;

// New-record initialisation of the form record: every field without a default and other than
// the auto-increment one gets the empty value of its kind (empty text, 0, false, today at 00:00);
// pictures stay null. Connect it to Dataset::newRecord.
void TblSchedaNewRecord(Dataset* dataset);
