// Selection and deletion built-ins: selectc, selectr, selectrc, selectifc,
// selectifr, deletec, deleter, deleteifc, deleteifr, dropc, dropr, insertc,
// insertr, submat, headc, tailc, find, vecindex, vecrindex, limits, replace,
// setbounds, findsample.
//
// limits, submat, insertc and insertr take the array base in force as an
// extra last argument (after their own): index arguments are lowered by it
// and index results raised.
#pragma once

#include <kj80x.h>

namespace kj::lib {

void fn_selectc(KjValue* result, KjValue* args, int count);
void fn_selectr(KjValue* result, KjValue* args, int count);
void fn_selectrc(KjValue* result, KjValue* args, int count);
void fn_selectifc(KjValue* result, KjValue* args, int count);
void fn_selectifr(KjValue* result, KjValue* args, int count);
void fn_deletec(KjValue* result, KjValue* args, int count);
void fn_deleter(KjValue* result, KjValue* args, int count);
void fn_deleteifc(KjValue* result, KjValue* args, int count);
void fn_deleteifr(KjValue* result, KjValue* args, int count);
void fn_dropc(KjValue* result, KjValue* args, int count);
void fn_dropr(KjValue* result, KjValue* args, int count);
void fn_insertc(KjValue* result, KjValue* args, int count);
void fn_insertr(KjValue* result, KjValue* args, int count);
void fn_submat(KjValue* result, KjValue* args, int count);
void fn_headc(KjValue* result, KjValue* args, int count);
void fn_tailc(KjValue* result, KjValue* args, int count);
void fn_find(KjValue* result, KjValue* args, int count);
void fn_vecindex(KjValue* result, KjValue* args, int count);
void fn_vecrindex(KjValue* result, KjValue* args, int count);
void fn_limits(KjValue* result, KjValue* args, int count);
void fn_replace(KjValue* result, KjValue* args, int count);
void fn_setbounds(KjValue* result, KjValue* args, int count);
void fn_findsample(KjValue* result, KjValue* args, int count);

}  // namespace kj::lib
