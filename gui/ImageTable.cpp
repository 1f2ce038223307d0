#include "ImageTable.h"

#include "ExternalRecord.h"
#include "ExternalResources.h"
#include "MemoryStream.h"
#include "PngDecoder.h"
#include "ResourceRecord.h"

ImageTable::ImageTable() = default;
ImageTable::~ImageTable() = default;

std::unique_ptr<Image> ImageTable::decode(const uint8_t* data, size_t size, bool displaySurface) {
    if (data == nullptr) {
        return nullptr;
    }
    MemoryStream stream(data, size);
    PngDecoder decoder(stream);
    if (!decoder.readHeader()) {
        return nullptr;
    }
    return Image::fromDecoder(decoder, displaySurface);
}

std::shared_ptr<Image> ImageTable::enter(const std::string& name, const uint8_t* data, int32_t size,
                                         bool displaySurface) {
    if (size < 0) {
        return nullptr;
    }
    std::shared_ptr<Image> image = decode(data, static_cast<size_t>(size), displaySurface);
    if (!image) {
        return nullptr;
    }
    image->setName(name);
    images[name] = image;
    return image;
}

std::shared_ptr<Image> ImageTable::imageFor(const ResourceRecord& record, bool displaySurface) {
    const std::string name = record.name();
    if (auto known = find(name)) {
        return known;
    }
    return enter(name, record.data(), record.size(), displaySurface);
}

std::shared_ptr<Image> ImageTable::imageNamed(const char* name, const ExternalResources& externals,
                                              bool displaySurface) {
    if (name == nullptr) {
        return nullptr;
    }
    if (auto known = find(name)) {
        return known;
    }
    ExternalRecord* record = nullptr;
    if (!externals.find(name, &record) || record == nullptr) {
        return nullptr;
    }
    return enter(record->name(), record->data(), record->size(), displaySurface);
}

std::shared_ptr<Image> ImageTable::find(const std::string& name) const {
    auto it = images.find(name);
    return it != images.end() ? it->second : nullptr;
}
