/* The public header compiles as C and gives C the same layout as C++. */
#include "viduvod.h"

size_t ViduvodRecordSizeInC(void) { return sizeof(ImageInfoRecord); }

size_t ViduvodSubjectAreaOffsetInC(void) { return offsetof(ImageInfoRecord, SubjectArea); }
