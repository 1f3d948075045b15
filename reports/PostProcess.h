// What happens to an expanded report before and after it is written: the
// file size is filled in, the theme's pictures are copied beside the report
// and referred to by bare name, and a written report is scanned for the
// picture files it shows (for Save As and for mail attachments).
//
// Only values the theme wrote are acted on. Record texts reach the report
// with their quotes escaped (see ReportExpander), so they never form a
// src= or background= value on their own; and where the expander says which
// stretches of a report came from records, a value, an attribute name or a
// "{FILE_SIZE}" that touches such a stretch is left exactly as it is. A
// value is copied only from inside the theme folder (no "..", no absolute
// path outside it, no web address, no symbolic link leading out of it),
// and only to a plain name inside the output folder, replacing (never
// writing through) what is there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reports/ReportPaths.h"
#include "reports/ReportSource.h"

namespace quillet {

// Post-processes `text` (the expanded report, `length` bytes):
// 1. every "{FILE_SIZE}" becomes the decimal length of the expanded text,
//    left-aligned in 11 characters (the text keeps its length);
// 2. every non-empty src="..." or background="..." value (attribute name in
//    lower case) is looked at: a bare name is copied from `themeFolder` to
//    `outputPath` and stays as written; a path is copied likewise under its
//    last component and replaced by that component. Web addresses are left
//    as written and copied nowhere. A name is percent-decoded ("%20" is a
//    space).
// Copy failures are ignored. `text` is changed in place for step 1; the
// finished report is returned, or left in *out (whose storage is reused from
// report to report).
//
// With kCrLf every line feed of the finished report becomes carriage return
// and line feed in the same pass, which gives the bytes of the report file
// without a second copy of the whole text.
//
// `recordSpans` (sorted, from ReportExpander::record_spans) names the
// stretches of `text` that came from records; nothing touching them is
// changed or copied. `writtenSpans`, when given, receives where those
// stretches ended up in *out (for collect_references_in).
enum class LineEnds { kAsWritten, kCrLf };
void post_process_report(char* text, size_t length, const std::string& themeFolder,
                         const std::string& outputPath, std::string* out,
                         CopySession* copies = nullptr, LineEnds ends = LineEnds::kAsWritten,
                         const std::vector<TextSpan>* recordSpans = nullptr,
                         std::vector<TextSpan>* writtenSpans = nullptr);

// Appends `text` to *out with each line feed written as carriage return and
// line feed.
void AppendWithCrLf(std::string* out, std::string_view text);
std::string post_process_report(char* text, size_t length, const std::string& themeFolder,
                                const std::string& outputPath);

// Reads the written report at `reportPath` and lists the names of the files
// its src="..." and background="..." values (attribute names in any case)
// refer to (each value percent-decoded), each once, in the order they first
// appear. Each listed file is
// copied from `templatePath` + value to `outputPath` + name, replacing an
// existing file. Web addresses and values that may not be copied are not
// listed. False (and an empty list) when the file cannot be read; an empty
// file is told to the person.
bool collect_references(const std::string& reportPath, const std::string& templatePath,
                        const std::string& outputPath, std::vector<std::string>* names);

// The same over a report's bytes already in memory (the builder has just
// written them); values touching `recordSpans` are passed over.
void collect_references_in(std::string_view report, const std::string& templatePath,
                           const std::string& outputPath, std::vector<std::string>* names,
                           CopySession* copies = nullptr,
                           const std::vector<TextSpan>* recordSpans = nullptr);

// The attribute values a report refers to, as collect_references finds
// them, without reading or copying anything (for tests and tools); values
// touching `recordSpans` are passed over.
std::vector<std::string> FindReferenceValues(std::string_view text, bool anyCase,
                                             const std::vector<TextSpan>* recordSpans = nullptr);

}  // namespace quillet
