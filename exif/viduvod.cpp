// The EXIF reader library Viduvod. Its one export arrives with the EXIF reader; until then
// the module loads and exports nothing.
