// exit: 1
/*
** Whole data sets: saved writes a matrix with its column names (a string
** array, a prefix, or the default X1, X2, ...), loadd reads it back whole or
** by column names (any case) or numbers, and getname and indcv find the
** columns; a missing file or column ends the program with a message.
*/
x = { 1 2 3, 4 5 6, 7 8 9, 10 11 12 };
print saved(x, "/tmp/kj_gauss_saved_names", "age" $| "income" $| "rate");
print loadd("/tmp/kj_gauss_saved_names");
print loadd("/tmp/kj_gauss_saved_names.dat", "RATE" $| "age");
print loadd("/tmp/kj_gauss_saved_names", { 2 });
names = getname("/tmp/kj_gauss_saved_names");
print names;
print indcv("Income", names);
print saved(x[., 1:2], "/tmp/kj_gauss_saved_prefix", "v");
print getname("/tmp/kj_gauss_saved_prefix");
print saved(x[1:2, .], "/tmp/kj_gauss_saved_default", 0) rows(loadd("/tmp/kj_gauss_saved_default"));
print getname("/tmp/kj_gauss_saved_default");
print loadd("/tmp/kj_gauss_saved_names", "wage");
