#pragma once

#include <map>
#include <memory>
#include <string>

#include "Image.h"

class ExternalResources;
class ResourceRecord;

// The framework's images by name. Each image is decoded once, on first request, and shared:
// the table holds one reference and every view that shows it holds one more. Images stay in
// the table until it is destroyed with the framework.
class ImageTable {
public:
    ImageTable();
    ~ImageTable();
    ImageTable(const ImageTable&) = delete;
    ImageTable& operator=(const ImageTable&) = delete;

    // The image for the record's name, decoded from the record's bytes on first use (into a
    // display surface when asked); null when the bytes are not a readable PNG.
    std::shared_ptr<Image> imageFor(const ResourceRecord& record, bool displaySurface);
    // As imageFor, but a name missing from the table is asked of the external modules.
    std::shared_ptr<Image> imageNamed(const char* name, const ExternalResources& externals,
                                      bool displaySurface);
    // The image already in the table, or null.
    std::shared_ptr<Image> find(const std::string& name) const;

    // Decodes PNG bytes; null when they are not a readable PNG.
    static std::unique_ptr<Image> decode(const uint8_t* data, size_t size, bool displaySurface);

private:
    std::shared_ptr<Image> enter(const std::string& name, const uint8_t* data, int32_t size,
                                 bool displaySurface);

    std::map<std::string, std::shared_ptr<Image>> images;
};
