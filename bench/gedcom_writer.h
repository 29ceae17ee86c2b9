// gedcom_writer.h - writes a generated population as GEDCOM 5.5.1 text with CR LF line ends.
#pragma once

#include <cstdint>  // std::uint64_t
#include <cstdio>   // std::FILE

#include "family_model.h"

namespace gedgen {

struct WriteSummary {
  bool ok = false;
  std::uint64_t bytes = 0;
};

/// Writes HEAD, the submitter, every individual and family, the shared notes, sources,
/// repositories and media records, and TRLR. The details (date forms, name spellings, events,
/// citations) are drawn from seed, so the same population and seed give the same bytes.
/// copies > 1 writes the records that many times, each copy with identifiers of its own and
/// new details, between one HEAD and one TRLR: files of many GiB from one population in memory.
WriteSummary WriteGedcom(const Population& population, std::uint64_t seed, std::FILE* out,
                         std::uint64_t copies = 1);

}  // namespace gedgen
