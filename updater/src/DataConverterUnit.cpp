#include "DataConverterUnit.h"

#include "LoggerUnit.h"
#include "TableListUnit.h"
#include "oxml/SAXParser.h"
#include "platform/Platform.h"

#include <cstring>

namespace {

// Output is collected up to this size before it goes to the file: few, large writes.
constexpr size_t kOutputBufferSize = 1 << 20;

const std::string_view kScriptHead = "START TRANSACTION;\r\nSET CONSTRAINTS ALL DEFERRED;\r\n";
const std::string_view kScriptCommit = "SET CONSTRAINTS ALL IMMEDIATE;\r\nCOMMIT;\r\n";
const std::string_view kScriptRollback = "ROLLBACK;\r\n";

bool NeedsQuotes(std::string_view AName) {
    if (AName.empty() || (AName[0] >= '0' && AName[0] <= '9'))
        return true;
    for (unsigned char c : AName) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '_' || c == '$' || c >= 0x80;
        if (!plain)
            return true;
    }
    return false;
}

// Appends AText in single quotes with every single quote inside doubled. The runs between quotes
// (most values hold none, BLOBs never) are found by memchr and go in one copy each.
void AppendQuoted(TSqlTextBuffer& AOut, std::string_view AText) {
    AOut.Append('\'');
    const char* p = AText.data();
    const char* const e = p + AText.size();
    for (const char* q; (q = static_cast<const char*>(std::memchr(p, '\'', e - p))) != nullptr; p = q + 1)
        AOut.Append(p, q + 1 - p).Append('\'');
    AOut.Append(p, e - p).Append('\'');
}

std::string DescribeParseError(const oxml::TParseError& AError) {
    return AError.Reason + " (line " + std::to_string(AError.Line) + ", position " +
           std::to_string(AError.LinePos) + ", file \"" + AError.FileName + "\")";
}

} // namespace

std::string QuoteColumnName(std::string_view AName) {
    if (!NeedsQuotes(AName))
        return std::string(AName);
    std::string out = "\"";
    for (char c : AName) {
        out += c;
        if (c == '"')
            out += '"';
    }
    out += '"';
    return out;
}

TDataConverter::TDataConverter(std::string AnInputFileName, std::string AnOutputFileName,
                               const TTableList* ATables)
    : InputFileName(std::move(AnInputFileName)), OutputFileName(std::move(AnOutputFileName)),
      FTables(ATables) {}

TDataConverter::~TDataConverter() = default;

void TDataConverter::ResetState() {
    FFieldListCreated = false;
    FWorkFlag = false;
    FRowOpen = false;
    FDocumentStarted = false;
    FSaveText = false;
    FHexBinary = false;
    FCurrentFieldValue.Clear();
    FCounter = 0;
    FRowCount = 0;
    FFieldsList.clear();
    FStats = TConversionStats();
}

void TDataConverter::Process() {
    FOutputFile = plat::Files().Open(OutputFileName, plat::OpenMode::CreateAlways);
    if (!FOutputFile)
        throw EDataConverterError("Cannot create file \"" + OutputFileName + "\"");
    ResetState();
    try {
        WriteText(kScriptHead);
        const std::string failure = ParseDump();
        Finish(failure.empty());
        if (!failure.empty())
            throw EDataConverterError(failure);
    } catch (...) {
        if (FOutputFile) {
            // The script must not commit a partial copy; a failed write here changes nothing more.
            FOutputBuffer.Append(kScriptRollback);
            FOutputFile->Write(FOutputBuffer.Data(), FOutputBuffer.Size());
            FOutputFile.reset();
        }
        throw;
    }
}

std::string TDataConverter::ParseDump() {
    oxml::TSAXParser parser;
    parser.OnStartElement = [this](oxml::TSAXParser& s, std::string_view n, const oxml::TSAXAttributes& a) {
        SAXStartElement(s, n, a);
    };
    parser.OnEndElement = [this](oxml::TSAXParser& s, std::string_view n) { SAXEndElement(s, n); };
    parser.OnCharacters = [this](oxml::TSAXParser& s, std::string_view t) { SAXCharacters(s, t); };
    parser.ParseFile(InputFileName);
    if (parser.ParseError().HasError())
        return DescribeParseError(parser.ParseError());
    // An empty file (a dump that never started) is as much a failure as a truncated one.
    if (!FDocumentStarted)
        return "The file \"" + InputFileName + "\" holds no XML document";
    return std::string();
}

void TDataConverter::Finish(bool ACompleted) {
    WriteText(ACompleted ? kScriptCommit : kScriptRollback);
    FlushOutput();
    if (!FOutputFile->Flush())
        throw EDataConverterError("Cannot write to file \"" + OutputFileName + "\"");
    FOutputFile.reset();
}

void TDataConverter::WriteText(std::string_view AText) {
    FOutputBuffer.Append(AText);
    if (FOutputBuffer.Size() >= kOutputBufferSize)
        FlushOutput();
}

void TDataConverter::FlushOutput() {
    if (FOutputBuffer.Empty())
        return;
    if (!FOutputFile->Write(FOutputBuffer.Data(), FOutputBuffer.Size())) {
        FOutputBuffer.Clear();
        throw EDataConverterError("Cannot write to file \"" + OutputFileName + "\"");
    }
    FStats.BytesWritten += FOutputBuffer.Size();
    FOutputBuffer.Clear();
    if (OnProgress)
        OnProgress(FStats);
}

void TDataConverter::SAXStartElement(oxml::TSAXParser&, std::string_view AName,
                                     const oxml::TSAXAttributes& AAttributes) {
    FDocumentStarted = true;
    FSaveText = false;
    if (AName == "table_data") {
        StartTableData(AAttributes);
    } else if (AName == "row") {
        if (FWorkFlag) {
            if (FRowCount == FData.size())
                FData.emplace_back();
            FData[FRowCount++].Clear();
            FRowOpen = true;
        }
    } else if (AName == "field") {
        if (FWorkFlag)
            StartField(AAttributes);
    }
}

void TDataConverter::StartTableData(const oxml::TSAXAttributes& AAttributes) {
    // A table_data inside another must not carry the outer table's rows and columns over to itself.
    FlushRows();
    FFieldsList.clear();
    FRowOpen = false;
    FFieldListCreated = false;
    FTableName.assign(AAttributes.Get("name"));
    FWorkFlag = FTables != nullptr && FTables->Contains(FTableName);
    if (FWorkFlag) {
        ++FStats.TablesExported;
    } else {
        ++FStats.TablesSkipped;
        TLogger::Fine("Skipping table - %s", {FTableName});
    }
    FCounter = 0;
}

void TDataConverter::StartField(const oxml::TSAXAttributes& AAttributes) {
    // One pass over the attributes (a field has two at most); the first of two equal names counts.
    std::string_view name, nil, type;
    bool named = false, nilled = false, typed = false;
    for (const oxml::TSAXAttribute& a : AAttributes) {
        if (a.NodeName == "name") {
            if (!named)
                name = a.NodeValue;
            named = true;
        } else if (a.NodeName == "xsi:nil") {
            if (!nilled)
                nil = a.NodeValue;
            nilled = true;
        } else if (a.NodeName == "xsi:type") {
            if (!typed)
                type = a.NodeValue;
            typed = true;
        }
    }
    FHexBinary = false;
    if (!FFieldListCreated)
        FFieldsList.emplace_back(name);
    if (nil == "true") {
        FCurrentFieldValue.Clear();
        FCurrentFieldValue.Append("NULL");
        return;
    }
    FCurrentFieldValue.Clear();
    FSaveText = true;
    FHexBinary = type == "xs:hexBinary";
}

void TDataConverter::SAXCharacters(oxml::TSAXParser&, std::string_view AText) {
    if (FSaveText && FCurrentFieldValue.Empty())
        AppendQuoted(FCurrentFieldValue, AText);
}

void TDataConverter::SAXEndElement(oxml::TSAXParser&, std::string_view AName) {
    if (AName == "table_data") {
        FlushRows();
        FFieldsList.clear();
        FWorkFlag = false;
        FRowOpen = false;
    } else if (AName == "field") {
        if (FWorkFlag)
            EndField();
    } else if (AName == "row") {
        if (FWorkFlag)
            EndRow();
    }
}

void TDataConverter::EndField() {
    // A field outside a row has no row to go to; taking it would shift the columns of the next row.
    if (FRowOpen) {
        TSqlTextBuffer& row = FData[FRowCount - 1];
        if (!row.Empty())
            row.Append(',');
        const std::string_view value =
            FCurrentFieldValue.Empty() ? std::string_view("''") : FCurrentFieldValue.View();
        if (FHexBinary) {
            row.Append("decode(").Append(value).Append(", 'hex')");
        } else {
            row.Append(value);
        }
    }
    FHexBinary = false;
}

void TDataConverter::EndRow() {
    FFieldListCreated = true;
    FRowOpen = false;
    ++FStats.Rows;
    if (++FCounter == RowsPerStatement) {
        FlushRows();
        FCounter = 0;
    }
}

void TDataConverter::FlushRows() {
    if (FRowCount == 0)
        return;
    AppendStatement(FOutputBuffer);
    FOutputBuffer.Append("\r\n\r\n");
    FRowCount = 0;
    if (FOutputBuffer.Size() >= kOutputBufferSize)
        FlushOutput();
}

void TDataConverter::AppendStatement(TSqlTextBuffer& AOut) const {
    AOut.Append("INSERT INTO ").Append(FTableName).Append(" (");
    for (size_t i = 0; i < FFieldsList.size(); ++i) {
        if (i > 0)
            AOut.Append(',');
        if (NeedsQuotes(FFieldsList[i]))
            AOut.Append(QuoteColumnName(FFieldsList[i]));
        else
            AOut.Append(FFieldsList[i]);
    }
    AOut.Append(") VALUES \n");
    for (size_t r = 0; r < FRowCount; ++r) {
        AOut.Append('(').Append(FData[r].View());
        AOut.Append(r + 1 < FRowCount ? "),\n" : ");");
    }
}
