# The seven WebAssembly libraries from their unpacked sources, compiled
# straight from their source lists: no build system of theirs runs, so no
# configure check (each one an emcc run) costs time, and every object of all
# seven is one job for `make -j`. scripts/web-deps.sh unpacks the sources,
# writes the configuration headers their build systems would have written,
# and calls
#
#   make -f libs.mk SRC=<unpacked sources> OUT=<objects and archives>
#        CC=<clang> CXX=<clang++> AR=<llvm-ar> EMFLAGS=<emcc --cflags>
#
# The per-library flags are those the libraries' own builds use for a
# release (CMake's Release for SDL2, libjpeg-turbo and FreeType, -O2 and the
# flags configure adds for the others).

S := $(SRC)
# Each file is compiled from its library's folder, its name and the include
# folders written as the library's own build writes them (relative), so that
# the file names the code records (__FILE__) are the same in every build, not
# those of a temporary folder.
# The compiler's messages are shown when it fails.
compile = @mkdir -p $(@D) && cd $(DIR) && $(1) $(EMFLAGS) $(FLAGS) \
  -c $(patsubst $(DIR)/%,%,$<) -o $@ 2>$@.log || { cat $@.log >&2; exit 1; }

# libopenmpt first: its C++ files are the longest jobs, and starting them
# early keeps both cores busy to the end.
libs := openmpt SDL2 mpg123 freetype jpeg png16 z
all: $(foreach l,$(libs),$(OUT)/lib$(l).a)

z_src := $(addprefix zlib/,adler32.c crc32.c deflate.c infback.c inffast.c \
  inflate.c inftrees.c trees.c zutil.c compress.c uncompr.c gzclose.c gzlib.c \
  gzread.c gzwrite.c)
z_flags := -O2 -D_LARGEFILE64_SOURCE=1 -DHAVE_HIDDEN

# configure --disable-hardware-optimizations: the plain C filters.
png16_src := $(addprefix libpng1.6/,png.c pngerror.c pngget.c pngmem.c \
  pngpread.c pngread.c pngrio.c pngrtran.c pngrutil.c pngset.c pngtrans.c \
  pngwio.c pngwrite.c pngwtran.c pngwutil.c)
png16_flags := -O2 -DPNG_ARM_NEON_OPT=0 -DPNG_INTEL_SSE_OPT=0 \
  -DPNG_MIPS_MSA_OPT=0 -DPNG_POWERPC_VSX_OPT=0 -I. -I../zlib

# 8-bit samples, arithmetic coding, no SIMD (WITH_SIMD=OFF).
jpeg_src := $(addprefix libjpeg-turbo/,jcapimin.c jcapistd.c jccoefct.c \
  jccolor.c jcdctmgr.c jchuff.c jcicc.c jcinit.c jcmainct.c jcmarker.c \
  jcmaster.c jcomapi.c jcparam.c jcphuff.c jcprepct.c jcsample.c jctrans.c \
  jdapimin.c jdapistd.c jdatadst.c jdatasrc.c jdcoefct.c jdcolor.c jddctmgr.c \
  jdhuff.c jdicc.c jdinput.c jdmainct.c jdmarker.c jdmaster.c jdmerge.c \
  jdphuff.c jdpostct.c jdsample.c jdtrans.c jerror.c jfdctflt.c jfdctfst.c \
  jfdctint.c jidctflt.c jidctfst.c jidctint.c jidctred.c jquant1.c jquant2.c \
  jutils.c jmemmgr.c jmemnobs.c jaricom.c jcarith.c jdarith.c jsimd_none.c)
jpeg_flags := -O3 -DNDEBUG -I.

# FreeType's own module list, the Unix file access, the zlib above.
freetype_src := $(addprefix freetype/,src/autofit/autofit.c src/base/ftbase.c \
  src/base/ftbbox.c src/base/ftbdf.c src/base/ftbitmap.c src/base/ftcid.c \
  src/base/ftfstype.c src/base/ftgasp.c src/base/ftglyph.c src/base/ftgxval.c \
  src/base/ftinit.c src/base/ftmm.c src/base/ftotval.c src/base/ftpatent.c \
  src/base/ftpfr.c src/base/ftstroke.c src/base/ftsynth.c src/base/fttype1.c \
  src/base/ftwinfnt.c src/bdf/bdf.c src/bzip2/ftbzip2.c src/cache/ftcache.c \
  src/cff/cff.c src/cid/type1cid.c src/gzip/ftgzip.c src/lzw/ftlzw.c \
  src/pcf/pcf.c src/pfr/pfr.c src/psaux/psaux.c src/pshinter/pshinter.c \
  src/psnames/psnames.c src/raster/raster.c src/sdf/sdf.c src/sfnt/sfnt.c \
  src/smooth/smooth.c src/svg/svg.c src/truetype/truetype.c src/type1/type1.c \
  src/type42/type42.c src/winfonts/winfnt.c builds/unix/ftsystem.c \
  src/base/ftdebug.c)
freetype_flags := -O3 -DNDEBUG -fvisibility=hidden -DFT2_BUILD_LIBRARY \
  -I./include -I./include/freetype/config -I../zlib

# SDL's portable parts with its Emscripten drivers, as its configuration
# header for Emscripten (SDL_config_emscripten.h) enables them.
sdl_dirs := atomic audio cpuinfo dynapi events file haptic hidapi joystick \
  libm locale misc power render render/* sensor stdlib thread timer video \
  video/yuv2rgb audio/dummy audio/disk audio/emscripten filesystem/emscripten \
  haptic/dummy joystick/emscripten loadso/dlopen locale/emscripten \
  misc/emscripten power/emscripten sensor/dummy thread/generic timer/unix \
  video/emscripten
SDL2_src := $(patsubst $(S)/%,%,$(wildcard $(S)/libsdl2/src/*.c \
  $(foreach d,$(sdl_dirs),$(S)/libsdl2/src/$(d)/*.c)))
SDL2_flags := -O3 -DNDEBUG -fno-strict-aliasing -fvisibility=hidden \
  -DSDL_STATIC_LIB -I./include -idirafter ./src/video/khronos

# libmpg123 with its compat part, generic floating-point decoder.
mpg123_src := $(addprefix mpg123/src/,$(addprefix libmpg123/,parse.c frame.c \
  format.c dct64.c id3.c optimize.c readers.c tabinit.c libmpg123.c index.c \
  layer1.c layer2.c layer3.c equalizer.c synth_8bit.c synth.c synth_s32.c \
  synth_real.c lfs_alias.c icy.c icy2utf8.c feature.c ntom.c stringbuf.c) \
  compat/compat.c compat/compat_str.c)
mpg123_flags := -DHAVE_CONFIG_H -I. -I./src -I./src -I./src/compat \
  -I./src/libmpg123 -I./src/libout123 -I./src/libmpg123 -I./src/libsyn123 \
  -I./src/libout123 -DOPT_GENERIC -DREAL_IS_FLOAT \
  -DNEWOLD_WRITE_SAMPLE -O2 -fomit-frame-pointer -funroll-all-loops \
  -finline-functions -ffast-math -O2

# The library's files of its autotools list (openmpt123, examples, tests
# and plugins for players stay out); no zlib, mpg123 or Vorbis inside.
openmpt_src := $(patsubst $(S)/%,%,$(wildcard $(addprefix $(S)/libopenmpt/,\
  common/*.cpp soundlib/*.cpp soundlib/plugins/*.cpp soundlib/plugins/dmo/*.cpp \
  sounddsp/*.cpp))) $(addprefix libopenmpt/libopenmpt/,libopenmpt_c.cpp \
  libopenmpt_cxx.cpp libopenmpt_ext_impl.cpp libopenmpt_impl.cpp)
openmpt_flags := -std=c++17 -include configure-defs.h -I. -DLIBOPENMPT_BUILD \
  -I./build/svn_version -I./ -I./src -I./common -O2 -fvisibility=hidden -Wall

# One archive per library; members keep their base names (none repeat
# within a library), appended as they come, as CMake and libtool do.
define library
$(1)_obj := $$(patsubst %,$(OUT)/obj/%.o,$$($(1)_src))
$$($(1)_obj): FLAGS := $$($(1)_flags)
$$($(1)_obj): DIR := $(S)/$$(firstword $$(subst /, ,$$($(1)_src)))
$(OUT)/lib$(1).a: $$($(1)_obj)
	@rm -f $$@ && $(AR) qcs $$@ $$^
endef
$(foreach l,$(libs),$(eval $(call library,$(l))))

$(OUT)/obj/%.c.o: $(S)/%.c
	$(call compile,$(CC))
$(OUT)/obj/%.cpp.o: $(S)/%.cpp
	$(call compile,$(CXX))

.DELETE_ON_ERROR:
