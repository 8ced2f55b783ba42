#pragma once
// TDataConverter: turns a MySQL XML dump into one PostgreSQL transaction of multi-row INSERT
// statements for the tables of a table list. It streams: the dump is read as events and at most one
// statement's rows are held at a time, so the dump may be far larger than memory.
#include "Errors.h"
#include "SqlTextBuffer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace oxml {
class TSAXParser;
class TSAXAttributes;
} // namespace oxml

namespace plat {
class IFile;
}

class TTableList;

// The conversion did not complete: a malformed or truncated dump, or output that cannot be written.
// The script then ends with ROLLBACK, so loading it changes nothing.
class EDataConverterError : public EBaseError {
public:
    using EBaseError::EBaseError;
    const char* ClassName() const noexcept override { return "EDataConverterError"; }
};

// What one conversion did, for tools and logs.
struct TConversionStats {
    int TablesExported = 0;
    int TablesSkipped = 0;
    uint64_t Rows = 0;
    uint64_t BytesWritten = 0;
};

class TDataConverter {
public:
    static constexpr int RowsPerStatement = 50;

    // ATables is not owned; it must outlive the converter. Without a list every table is skipped.
    TDataConverter(std::string AnInputFileName, std::string AnOutputFileName, const TTableList* ATables);
    ~TDataConverter();
    TDataConverter(const TDataConverter&) = delete;
    TDataConverter& operator=(const TDataConverter&) = delete;

    // Converts the whole dump; returns once the output file is closed. Raises EDataConverterError
    // for a malformed dump (with the reason, line and position) and for output that cannot be
    // written; oxml::EFOpenError when the dump cannot be opened.
    void Process();

    const TConversionStats& Stats() const { return FStats; }
    // Called each time a block of output has been written.
    std::function<void(const TConversionStats&)> OnProgress;

    // Reader events.
    void SAXStartElement(oxml::TSAXParser& Sender, std::string_view AName,
                         const oxml::TSAXAttributes& AAttributes);
    void SAXEndElement(oxml::TSAXParser& Sender, std::string_view AName);
    void SAXCharacters(oxml::TSAXParser& Sender, std::string_view AText);

    std::string InputFileName;
    std::string OutputFileName;

private:
    // Reads the dump through; returns why it failed, or "" when it was read completely.
    std::string ParseDump();
    void StartTableData(const oxml::TSAXAttributes& AAttributes);
    void StartField(const oxml::TSAXAttributes& AAttributes);
    void EndField();
    void EndRow();
    void FlushRows();
    void AppendStatement(TSqlTextBuffer& AOut) const;
    void WriteText(std::string_view AText);
    void FlushOutput();
    void ResetState();
    void Finish(bool ACompleted);

    std::string FTableName;
    std::vector<std::string> FFieldsList;
    // Each row holds its value texts already joined by ",". Rows are recycled between statements:
    // FData keeps the strings' storage and FRowCount says how many rows are live.
    std::vector<TSqlTextBuffer> FData;
    size_t FRowCount = 0;
    std::unique_ptr<plat::IFile> FOutputFile;
    TSqlTextBuffer FOutputBuffer;
    bool FFieldListCreated = false;
    bool FWorkFlag = false;
    bool FRowOpen = false;
    bool FDocumentStarted = false;
    TSqlTextBuffer FCurrentFieldValue;
    bool FSaveText = false;
    int FCounter = 0;
    bool FHexBinary = false;
    const TTableList* FTables;
    TConversionStats FStats;
};

// The column-list form of a column name: double-quoted (inner quotes doubled) unless it is a plain
// identifier.
std::string QuoteColumnName(std::string_view AName);
