// Selection and deletion built-ins: selectc, selectr, selectrc, selectifc,
// selectifr, deletec, deleter, deleteifc, deleteifr, dropc, dropr, insertc,
// insertr, submat, headc, tailc, find, vecindex, vecrindex, limits, replace,
// setbounds, findsample.
//
// limits, submat, insertc and insertr take the array base in force as an
// extra last argument (after their own): index arguments are lowered by it
// and index results raised.
#pragma once

#include "value/value.h"

namespace kj::lib {

void fn_selectc(value::Value* result, value::Value* args, int count);
void fn_selectr(value::Value* result, value::Value* args, int count);
void fn_selectrc(value::Value* result, value::Value* args, int count);
void fn_selectifc(value::Value* result, value::Value* args, int count);
void fn_selectifr(value::Value* result, value::Value* args, int count);
void fn_deletec(value::Value* result, value::Value* args, int count);
void fn_deleter(value::Value* result, value::Value* args, int count);
void fn_deleteifc(value::Value* result, value::Value* args, int count);
void fn_deleteifr(value::Value* result, value::Value* args, int count);
void fn_dropc(value::Value* result, value::Value* args, int count);
void fn_dropr(value::Value* result, value::Value* args, int count);
void fn_insertc(value::Value* result, value::Value* args, int count);
void fn_insertr(value::Value* result, value::Value* args, int count);
void fn_submat(value::Value* result, value::Value* args, int count);
void fn_headc(value::Value* result, value::Value* args, int count);
void fn_tailc(value::Value* result, value::Value* args, int count);
void fn_find(value::Value* result, value::Value* args, int count);
void fn_vecindex(value::Value* result, value::Value* args, int count);
void fn_vecrindex(value::Value* result, value::Value* args, int count);
void fn_limits(value::Value* result, value::Value* args, int count);
void fn_replace(value::Value* result, value::Value* args, int count);
void fn_setbounds(value::Value* result, value::Value* args, int count);
void fn_findsample(value::Value* result, value::Value* args, int count);

}  // namespace kj::lib
