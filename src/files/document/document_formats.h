// One reader per format, each putting the document's lines into
// reading.lines and returning false, with reading.result saying why, on a
// fault.
#pragma once

#include "files/document/document_parts.h"

namespace zanto::document {

bool ReadWordText(DocumentReading& reading);          // Office Open XML word processing
bool ReadSheetText(DocumentReading& reading);         // Office Open XML spreadsheets
bool ReadSlidesText(DocumentReading& reading);        // Office Open XML presentations
bool ReadOpenDocumentText(DocumentReading& reading);  // OpenDocument text, spreadsheets, presentations

}  // namespace zanto::document
