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

// Appends AText in single quotes with every single quote inside doubled: one resize, then the bytes
// written in place (most values hold no quote and go in one copy).
void AppendQuoted(std::string& AOut, std::string_view AText) {
    size_t quotes = 0;
    for (char c : AText)
        quotes += c == '\'';
    const size_t at = AOut.size();
    AOut.resize(at + AText.size() + quotes + 2);
    char* to = AOut.data() + at;
    *to++ = '\'';
    if (quotes == 0) {
        std::memcpy(to, AText.data(), AText.size());
        to += AText.size();
    } else {
        for (char c : AText) {
            *to++ = c;
            if (c == '\'')
                *to++ = '\'';
        }
    }
    *to = '\'';
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
    FCurrentFieldValue.clear();
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
            FOutputBuffer.append(kScriptRollback);
            FOutputFile->Write(FOutputBuffer.data(), FOutputBuffer.size());
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
    FOutputBuffer.append(AText);
    if (FOutputBuffer.size() >= kOutputBufferSize)
        FlushOutput();
}

void TDataConverter::FlushOutput() {
    if (FOutputBuffer.empty())
        return;
    if (!FOutputFile->Write(FOutputBuffer.data(), FOutputBuffer.size())) {
        FOutputBuffer.clear();
        throw EDataConverterError("Cannot write to file \"" + OutputFileName + "\"");
    }
    FStats.BytesWritten += FOutputBuffer.size();
    FOutputBuffer.clear();
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
            FData[FRowCount++].clear();
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
        FCurrentFieldValue.assign("NULL");
        return;
    }
    FCurrentFieldValue.clear();
    FSaveText = true;
    FHexBinary = type == "xs:hexBinary";
}

void TDataConverter::SAXCharacters(oxml::TSAXParser&, std::string_view AText) {
    if (FSaveText && FCurrentFieldValue.empty())
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
        std::string& row = FData[FRowCount - 1];
        if (!row.empty())
            row += ',';
        const std::string_view value =
            FCurrentFieldValue.empty() ? std::string_view("''") : FCurrentFieldValue;
        if (FHexBinary) {
            row.append("decode(").append(value).append(", 'hex')");
        } else {
            row.append(value);
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
    FOutputBuffer.append("\r\n\r\n");
    FRowCount = 0;
    if (FOutputBuffer.size() >= kOutputBufferSize)
        FlushOutput();
}

void TDataConverter::AppendStatement(std::string& AOut) const {
    AOut.append("INSERT INTO ").append(FTableName).append(" (");
    for (size_t i = 0; i < FFieldsList.size(); ++i) {
        if (i > 0)
            AOut += ',';
        if (NeedsQuotes(FFieldsList[i]))
            AOut.append(QuoteColumnName(FFieldsList[i]));
        else
            AOut.append(FFieldsList[i]);
    }
    AOut.append(") VALUES \n");
    for (size_t r = 0; r < FRowCount; ++r) {
        AOut += '(';
        AOut.append(FData[r]);
        AOut.append(r + 1 < FRowCount ? "),\n" : ");");
    }
}
