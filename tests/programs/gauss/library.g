// Library catalogs and automatic imports: "library" reads
// kjgauss/lib/testlib.lcg, whose symbols compile at once and whose source is
// imported at link time; twice comes from twice.src beside the program.
// An external declaration that nothing calls needs no source.
external proc declared_only;
library testlib, gauss;
print halve(10) halve(3);
shout quiet words;
print tl_count;
print twice(21);
