#include "scene/skParser.h"

namespace kelvane {

void TTokenReader::SetSource(std::string_view text) { source_ = text; cursor_ = 0; kind_ = tkEndOfText; text_ = {}; }
void TTokenReader::Next() { kind_ = tkEndOfText; text_ = {}; }
std::string_view TagName(std::string_view) { return {}; }
TXMLParser::TXMLParser() = default;
TXMLParser::~TXMLParser() = default;
void TXMLParser::LoadFromFile(const std::filesystem::path&) {}
void TXMLParser::ReadTokens(std::string) {}
std::unique_ptr<TDomDocument> TXMLParser::CreateDocument() { return std::make_unique<TDomDocument>(); }
uint8_t DetectEncoding(std::string_view) { return 0; }
uint8_t DetectEncoding(const std::filesystem::path&) { return 0; }
std::string DecodeSceneBytes(std::string_view bytes, uint8_t) { return std::string(bytes); }
std::string NormaliseLineEnds(std::string text) { return text; }
void ParseAttributes(TDomElement*, std::string_view) {}

} // namespace kelvane
