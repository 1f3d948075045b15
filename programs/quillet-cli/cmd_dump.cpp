// quillet-cli dump FILE [--json]: every record of a store, readable.
//
// Each record is first described as a list of named values (DescribeRecord),
// then printed as text or JSON, so both forms always carry the same fields.
// Picture and sketch data is shown as its size and SHA-256 digest; a
// command that writes a record's data out should find the record with
// FindById and use the same digest, so that sha256sum of the written file
// matches what dump prints.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <variant>
#include <vector>

#include "platform/files/SafeFiles.h"
#include "programs/quillet-cli/CliCommand.h"
#include "programs/quillet-cli/StoreText.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace {

using namespace quillet;

struct Text { CpText cp1252; };
struct TextList { std::vector<CpText> cp1252; };
struct NumberList { std::vector<uint32_t> values; };
struct Data { const PictureBytes* bytes; };
struct Hex { std::string bytes; };
using Value = std::variant<int64_t, Text, TextList, NumberList, Data, Hex>;

struct Field {
  const char* name;
  Value value;
};

std::vector<Field> DescribeRecord(const CRecord& r) {
  std::vector<Field> f = {
      {"recordId", int64_t{r.recordId}},   {"slotIndex", int64_t{r.slotIndex}},
      {"syncWordA", int64_t{r.syncWordA}}, {"flags", int64_t{r.flags}},
      {"isPrivate", int64_t{r.isPrivate}}, {"syncWordB", int64_t{r.syncWordB}},
      {"syncWordC", int64_t{r.syncWordC}}};
  auto hex6 = [](const std::array<uint8_t, 6>& b) { return Hex{std::string(b.begin(), b.end())}; };
  if (auto* s = RecordAs<CSettingsRecord>(&r)) {
    f.push_back({"extraWord", int64_t{s->extraWord}});
    f.push_back({"lastRecordId", int64_t{s->lastRecordId}});
    f.push_back({"reservedWord", int64_t{s->reservedWord}});
    f.push_back({"extraWord2", int64_t{s->extraWord2}});
    f.push_back({"reservedBytes", hex6(s->reservedBytes)});
  } else if (auto* v = RecordAs<CReservedRecord>(&r)) {
    f.push_back({"extraWord", int64_t{v->extraWord}});
    f.push_back({"reservedBytes", hex6(v->reservedBytes)});
  } else if (auto* l = RecordAs<CStringListRecord>(&r)) {
    f.push_back({"extraWord", int64_t{l->extraWord}});
    f.push_back({"listName", Text{l->listName}});
    f.push_back({"items", TextList{l->items}});
  } else if (auto* c = RecordAs<CCategoryRecord>(&r)) {
    f.push_back({"extraWord", int64_t{c->extraWord}});
    f.push_back({"name", Text{c->name}});
  } else if (auto* t = RecordAs<CTopicRecord>(&r)) {
    f.push_back({"extraWord", int64_t{t->extraWord}});
    f.push_back({"linksId", int64_t{t->linksId}});
    f.push_back({"categoryId", int64_t{t->categoryId}});
    f.push_back({"title", Text{t->title}});
    f.push_back({"fileName", Text{CpText(t->fileName)}});  // a record keeps its file name in the code page
  } else if (auto* n = RecordAs<CNoteRecord>(&r)) {
    f.push_back({"extraWord", int64_t{n->extraWord}});
    f.push_back({"text", Text{n->text}});
  } else if (auto* i = RecordAs<CImageRecord>(&r)) {
    f.push_back({"extraWord", int64_t{i->extraWord}});
    f.push_back({"title", Text{i->title}});
    f.push_back({"fileName", Text{CpText(i->fileName)}});
    f.push_back({"format", int64_t{i->format}});
    f.push_back({"width", int64_t{i->width}});
    f.push_back({"height", int64_t{i->height}});
    f.push_back({"data", Data{&i->data}});
  } else if (auto* x = RecordAs<CCustomRecord>(&r)) {
    f.push_back({"extraWord", int64_t{x->extraWord}});
    f.push_back({"customType", int64_t{x->customType}});
    f.push_back({"fields", TextList{x->fields}});
  } else if (auto* k = RecordAs<CTopicLinksRecord>(&r)) {
    f.push_back({"topicId", int64_t{k->topicId}});
    f.push_back({"memberIds", NumberList{k->memberIds}});
  }
  return f;
}

std::string HexOf(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) {
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 15]);
  }
  return out;
}

// Text form: one "record POSITION kind KIND NAME" line, then one indented
// line per field. Texts are quoted with \n, \t, \" and \\ escapes.
std::string Quoted(const CpText& text) { return cli::JsonText(text); }

void PrintText(const Field& field) {
  const Value& v = field.value;
  if (auto* n = std::get_if<int64_t>(&v)) {
    std::printf("  %s %" PRId64 "\n", field.name, *n);
  } else if (auto* t = std::get_if<Text>(&v)) {
    std::printf("  %s %s\n", field.name, Quoted(t->cp1252).c_str());
  } else if (auto* l = std::get_if<TextList>(&v)) {
    std::printf("  %s count %zu\n", field.name, l->cp1252.size());
    for (size_t i = 0; i < l->cp1252.size(); ++i)
      std::printf("  %s[%zu] %s\n", field.name, i, Quoted(l->cp1252[i]).c_str());
  } else if (auto* m = std::get_if<NumberList>(&v)) {
    std::printf("  %s count %zu", field.name, m->values.size());
    for (uint32_t id : m->values) std::printf(" %u", id);
    std::printf("\n");
  } else if (auto* d = std::get_if<Data>(&v)) {
    if (d->bytes->empty())
      std::printf("  %s 0 bytes\n", field.name);
    else
      std::printf("  %s %zu bytes sha256 %s\n", field.name, d->bytes->size(),
                  cli::Sha256Hex(d->bytes->data(), d->bytes->size()).c_str());
  } else if (auto* h = std::get_if<Hex>(&v)) {
    std::printf("  %s %s\n", field.name, HexOf(h->bytes).c_str());
  }
}

void PrintJson(const Field& field) {
  const Value& v = field.value;
  if (auto* n = std::get_if<int64_t>(&v)) {
    std::printf(", \"%s\": %" PRId64, field.name, *n);
  } else if (auto* t = std::get_if<Text>(&v)) {
    std::printf(", \"%s\": %s", field.name, cli::JsonText(t->cp1252).c_str());
  } else if (auto* l = std::get_if<TextList>(&v)) {
    std::printf(", \"%s\": [", field.name);
    for (size_t i = 0; i < l->cp1252.size(); ++i)
      std::printf("%s%s", i ? ", " : "", cli::JsonText(l->cp1252[i]).c_str());
    std::printf("]");
  } else if (auto* m = std::get_if<NumberList>(&v)) {
    std::printf(", \"%s\": [", field.name);
    for (size_t i = 0; i < m->values.size(); ++i) std::printf("%s%u", i ? ", " : "", m->values[i]);
    std::printf("]");
  } else if (auto* d = std::get_if<Data>(&v)) {
    std::printf(", \"dataSize\": %zu, \"dataSha256\": ", d->bytes->size());
    if (d->bytes->empty())
      std::printf("null");
    else
      std::printf("\"%s\"", cli::Sha256Hex(d->bytes->data(), d->bytes->size()).c_str());
  } else if (auto* h = std::get_if<Hex>(&v)) {
    std::printf(", \"%s\": \"%s\"", field.name, HexOf(h->bytes).c_str());
  }
}

// --extract RECORDID OUT: the data bytes of one image record, as they are
// stored (a JPEG stream, or a sketch for `quillet-cli sketch`).
int Extract(const CRecordStore& store, const std::string& id_text, const std::string& out) {
  char* end = nullptr;
  const unsigned long long id = std::strtoull(id_text.c_str(), &end, 10);
  if (id_text.empty() || *end != '\0' || id > UINT32_MAX)
    return cli::UsageError("dump: --extract needs a record id, not '" + id_text + "'");
  CRecord* r = nullptr;
  if (store.FindById(static_cast<uint32_t>(id), &r) != DB_OK) {
    std::fprintf(stderr, "quillet-cli: dump: no record with id %llu\n", id);
    return cli::kExitFailed;
  }
  const CImageRecord* image = RecordAs<CImageRecord>(r);
  if (image == nullptr) {
    std::fprintf(stderr, "quillet-cli: dump: record %llu is a %s record, not an image\n", id,
                 cli::KindName(r->kind));
    return cli::kExitFailed;
  }
  if (image->data.empty()) {
    std::fprintf(stderr, "quillet-cli: dump: image record %llu holds no data\n", id);
    return cli::kExitFailed;
  }
  // The picture of a record: the user's alone (ReplaceFileContents).
  const std::string_view bytes(reinterpret_cast<const char*>(image->data.data()), image->data.size());
  if (ReplaceFileContents(out, bytes) != 0) {
    std::fprintf(stderr, "quillet-cli: dump: cannot write %s\n", out.c_str());
    return cli::kExitFailed;
  }
  std::printf("record %llu format %u %ux%u: %zu bytes sha256 %s to %s\n", id, image->format,
              image->width, image->height, image->data.size(),
              cli::Sha256Hex(image->data.data(), image->data.size()).c_str(), out.c_str());
  return cli::kExitOk;
}

int RunDump(const std::vector<std::string>& args) {
  cli::Args a(args);
  const bool json = a.TakeFlag("--json");
  // --extract takes two values: the id (as the option's value) and OUT.
  std::string extract_id;
  bool missing = false;
  const bool extract = a.TakeOption("--extract", &extract_id, &missing);
  if (missing) return cli::UsageError("dump: --extract needs RECORDID OUT");
  if (!a.UnknownOption().empty()) return cli::UsageError("dump: unknown option " + a.UnknownOption());
  if (extract && (a.Rest().size() != 2 || json))
    return cli::UsageError("dump FILE --extract RECORDID OUT (without --json)");
  if (!extract && a.Rest().size() != 1) return cli::UsageError("dump takes one FILE");
  const std::string& file = a.Rest()[0];
  CRecordStore store(file, "");
  const DbResult rc = store.Load();
  if (rc == DB_ERR_OPEN) return cli::UsageError("dump: cannot open " + file);
  if (extract) return Extract(store, extract_id, a.Rest()[1]);

  if (json) {
    std::printf("{\"file\": %s, \"result\": %u, \"resultName\": \"%s\", \"recordCount\": %u,\n"
                " \"records\": [",
                cli::JsonString(file).c_str(), rc, ResultCodeName(rc), store.liveCount());
  } else {
    std::printf("file %s\nresult %u %s\nrecords %u\n", file.c_str(), rc, ResultCodeName(rc),
                store.liveCount());
  }
  bool first = true;
  for (uint32_t pos = 0; pos < store.highWater(); ++pos) {
    const CRecord* r = store.RecordAt(pos);
    if (r == nullptr) continue;
    if (json) {
      std::printf("%s\n  {\"position\": %u, \"kind\": %u, \"kindName\": \"%s\"", first ? "" : ",",
                  pos, r->kind, cli::KindName(r->kind));
      for (const Field& f : DescribeRecord(*r)) PrintJson(f);
      std::printf("}");
    } else {
      std::printf("record %u kind %u %s\n", pos, r->kind, cli::KindName(r->kind));
      for (const Field& f : DescribeRecord(*r)) PrintText(f);
    }
    first = false;
  }
  if (json) std::printf("%s]}\n", first ? "" : "\n ");
  return rc == DB_OK ? cli::kExitOk : cli::kExitFailed;
}

}  // namespace

QUILLET_CLI_COMMAND(
    "dump", "print every record of a store file",
    "quillet-cli dump FILE [--json]\n"
    "quillet-cli dump FILE --extract RECORDID OUT\n\n"
    "Prints every record of the record store FILE in file order: its position, kind,\n"
    "base fields and own fields. Texts are converted from Windows-1252 to UTF-8;\n"
    "picture and sketch data is shown as its size and SHA-256 digest.\n\n"
    "Text form: `file`, `result CODE NAME` and `records N` lines, then per record a\n"
    "`record POSITION kind KIND NAME` line and one indented `FIELD VALUE` line per field\n"
    "(texts quoted with JSON escapes; lists as `FIELD count N` then `FIELD[i] VALUE`).\n\n"
    "JSON form (--json), one object:\n"
    "  file         the FILE argument\n"
    "  result       the load's result code (0 = clean), resultName its name\n"
    "  recordCount  the number of records loaded\n"
    "  records      array, one object per record:\n"
    "    position, kind (0-8), kindName (settings, reserved, stringList, category, topic,\n"
    "    note, image, reference, topicLinks), recordId, slotIndex, syncWordA, flags,\n"
    "    isPrivate, syncWordB, syncWordC, then the kind's own fields:\n"
    "      settings    extraWord, lastRecordId, reservedWord, extraWord2, reservedBytes (hex)\n"
    "      reserved    extraWord, reservedBytes (hex)\n"
    "      stringList  extraWord, listName, items (array of strings)\n"
    "      category    extraWord, name\n"
    "      topic       extraWord, linksId, categoryId, title, fileName\n"
    "      note        extraWord, text\n"
    "      image       extraWord, title, fileName, format (0 JPEG, 1 other, 2 sketch), width,\n"
    "                  height, dataSize, dataSha256 (hex, null without data)\n"
    "      reference   extraWord, customType (-1 book ... -6 report), fields (array of strings)\n"
    "      topicLinks  topicId, memberIds (array of numbers)\n"
    "  Numbers are plain JSON numbers (signed fields negative); strings are UTF-8.\n\n"
    "With --extract, writes the data bytes of the image record RECORDID to OUT as\n"
    "they are stored (a JPEG stream, or for format 2 a sketch that `quillet-cli sketch`\n"
    "decodes) and prints their size and SHA-256 digest; exit 1 when there is no such\n"
    "image record or it holds no data.\n\n"
    "A damaged FILE is dumped as far as it could be read.\n"
    "Exit 0 for a clean file, 1 for a damaged one, 2 when FILE cannot be opened.",
    RunDump);
