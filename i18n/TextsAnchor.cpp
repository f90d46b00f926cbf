// The library of the English texts is its resource; a static library needs one source.
namespace tesselvane {
extern const int kTextsLibrary = 0;
}  // namespace tesselvane
