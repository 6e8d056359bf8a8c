// The format library Pradvik2k. Its exports arrive with the formatter code; until then the
// module loads and exports nothing.
