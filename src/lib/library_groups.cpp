#include "lib/library_groups.h"

#include "lib/fn_files.h"
#include "lib/io/data_set_files.h"
#include "lib/io/number_format.h"
#include "link/function_table.h"

namespace kj::lib {

std::vector<LibraryGroup> library_groups(std::span<const GroupPart> graphics) {
    return {
        {"general",
         {calendar_rows(), complex_rows(), cumulate_rows(), distribution_rows(), higher_math_rows(),
          linalg_decompose_rows(), linalg_eigen_rows(), linalg_inverse_rows(), linalg_qr_rows(), linalg_rank_rows(),
          linalg_reflect_rows(), linalg_schur_rows(), math_rows(), panel_rows(), poly_rows(), random_rows(),
          reduce_rows(), select_rows(), set_rows(), shape_rows(), sort_rows(), string_rows(), system_rows(),
          timeseries_rows(), trig_rows(), type_rows()}},
        // Each start of the runtime begins without files left open by an
        // earlier one and with the default formats; data files and the
        // restriction compilers report through the data layer's message function.
        {"files and printing",
         {data_rows(), io::install_data_messages, file_rows(), close_open_files, print_rows(),
          io::reset_default_formats}},
        {"arma", {arma_rows()}},
        {"distributions", {distribution_family_rows(), random_draw_rows(), random_sampling_rows()}},
        {"graphics", {graphics.begin(), graphics.end()}},
        {"restrictions", {restriction_rows()}},
        {"gauss built-ins",
         {distribution_gauss_rows(), gauss_builtin_rows(), gauss_dll_rows(), higher_math_gauss_rows(),
          linalg_inverse_gauss_rows(), linalg_rank_gauss_rows(), math_gauss_rows(), random_gauss_rows(),
          reduce_gauss_rows(), shape_gauss_rows(), trig_gauss_rows()}},
        // Each start of the runtime begins with GAUSS's default print format.
        {"gauss input and output", {gauss_io_rows(), gauss_file_rows(), gauss_print_rows(), reset_gauss_format}},
    };
}

void register_library(std::span<const GroupPart> graphics) {
    for (const LibraryGroup& group : library_groups(graphics)) {
        for (const GroupPart& part : group.parts) {
            for (const DescriptorRow& row : part.descriptors) link::add_function(row.descriptor, row.fn, row.varargs);
            for (const NamedRow& row : part.named) link::add_function_ex(row.name, row.fn, row.count, row.flags);
            if (part.setup) part.setup();
        }
    }
}

void free_library() { link::free_function_table(); }

}  // namespace kj::lib
