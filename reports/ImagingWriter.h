// Picture files for reports, written by the imaging core.
#pragma once

#include "reports/ReportSource.h"

namespace quillet {

class ImagingWriter : public IImageWriter {
 public:
  bool WriteJpeg(const std::string& path, uint32_t width, uint32_t height, const uint8_t* data,
                 size_t size) override;
  bool WriteSketch(const uint8_t* data, size_t size, const std::string& path) override;
};

}  // namespace quillet
