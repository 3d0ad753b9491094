# The column profiles and their dialog. Included from this folder's CMakeLists.txt.
vellora_add_test(test_colonne SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_colonne.cpp
                 LIBS vellora_results vellora_system Qt6::Widgets)
