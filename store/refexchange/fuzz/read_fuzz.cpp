// libFuzzer over the BibTeX and RIS readers: any bytes, either format; what
// was read is written out and read again, which must give the same fields.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "store/RecordKinds.h"
#include "store/refexchange/RefExchange.h"

using namespace quillet;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (refx::Format format : {refx::Format::kBibTex, refx::Format::kRis}) {
    const refx::ReadResult read = refx::ReadReferences(text, format);
    if (!read.ok) continue;
    std::vector<std::unique_ptr<CCustomRecord>> records;
    std::vector<const CCustomRecord*> view;
    for (const refx::ImportedReference& ref : read.references) {
      for (const CpText& f : ref.fields)
        if (f.size() > refx::kFieldLimit) std::abort();
      auto r = std::make_unique<CCustomRecord>();
      r->customType = ref.customType;
      r->fields = ref.fields;
      view.push_back(r.get());
      records.push_back(std::move(r));
    }
    const refx::WriteResult written = refx::WriteReferences(view, format);
    const refx::ReadResult again = refx::ReadReferences(written.text, format);
    if (!view.empty() && (!again.ok || again.references.size() != view.size())) std::abort();
  }
  return 0;
}
