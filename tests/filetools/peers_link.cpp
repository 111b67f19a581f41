// The archive peers (zip, jlha, tar...) for the file tools tests, compiled
// once into this test program.
#include "tests/archivers/peers.cpp"
