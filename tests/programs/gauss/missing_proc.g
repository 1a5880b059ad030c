// exit: 1
// A procedure that no source defines: searched as a library source, not found.
print undefined_procedure(1);
